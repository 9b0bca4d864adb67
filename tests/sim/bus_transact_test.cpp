// Bus transactions on the simulated bench: preamble, reply lengths, retries
// and their timing on the virtual clock, faulty units, the busy flags, the
// link hand-over, the clock unit's variant and the output-state notice.
#include "bus/bus_state.h"
#include "bus/transact.h"
#include "core/state.h"
#include "sim_fixture.h"
#include "transport/serial_port.h"

namespace tbcom::test {
namespace {

using sim::FaultKind;

const std::string kAck = Bytes({0x01, 0x42, 0x06, 0x0C, 0x0C, 0x17});

class BusTransactTest : public SimBenchTest {
protected:
    void SetUp() override {
        SimBenchTest::SetUp();
        ASSERT_EQ(Error_Reset(kPort), 1);  // opens the bench port
        h = core::state().benchPort;
        bench.line.clearLog();
    }
    std::string clear() { return bus::BusTransact(h, Frame(0x01, 0x42, 0x0C), true); }
    std::uint64_t hostAt(size_t i) const { return bench.line.hostWriteEntries().at(i).atUs; }
    void useProbe() {
        probe.attach(3, bench.line);
        platform::install(&probe);
        h = core::state().benchPort = transport::OpenCommPort(3, "9600,n,8,1");
        ASSERT_NE(h, 0u);
    }

    platform::PortHandle h = 0;
    ProbePlatform probe{bench.clock};
};

TEST_F(BusTransactTest, PreambleStartBytesBroadcastsAndNoWait) {
    const std::string f2 = Frame(0x02, 0x42, 0x02, std::string(13, '0'));
    EXPECT_EQ(clear(), kAck);
    EXPECT_NE(bus::BusTransact(h, f2, true), bus::kRecvBad);
    EXPECT_EQ(writes(), (std::vector<std::string>{WithPreamble(Frame(0x01, 0x42, 0x0C)), WithPreamble(f2, '\xFD')}));
    bench.line.clearLog();
    EXPECT_EQ(bus::BusTransact(h, Frame(0x03, 0x42, 0x0C), true), bus::kRecvBad);  // rejected unsent
    EXPECT_TRUE(writes().empty());
    const std::uint64_t t0 = bench.clock.us;
    EXPECT_EQ(bus::BusTransact(h, Frame(0x01, 0xFF, 0x03), true), "");  // a broadcast is not read
    EXPECT_EQ(bus::BusTransact(h, Frame(0x01, 0x42, 0x0C), false), "");
    EXPECT_EQ(bench.clock.us, t0);
    EXPECT_EQ(writes().size(), 2u);
}

TEST_F(BusTransactTest, SilenceThreeAttemptsATenthApart) {
    bench.line.inject({"pos2", FaultKind::Silence, -1});
    const std::uint64_t t0 = bench.clock.us;
    EXPECT_EQ(bus::BusTransact(h, Frame(0x01, 0x43, 0x02, "0001000000010"), true), bus::kRecvBad);
    ASSERT_EQ(writes().size(), 3u);
    // Each attempt: 2.0 s of silence (given up on the first poll past it),
    // then 0.1 s before the next.
    EXPECT_EQ(hostAt(0), t0);
    EXPECT_EQ(hostAt(1), t0 + 2101000);
    EXPECT_EQ(hostAt(2), t0 + 4202000);
    EXPECT_EQ(bench.clock.us, t0 + 6203000);
    EXPECT_EQ(core::state().busBusy, 0);
}

TEST_F(BusTransactTest, WhichRequestsAreRetried) {
    const struct { int start, address, command; size_t attempts; } cases[] = {
        {0x01, 0x43, 0x03, 1}, {0x01, 0x43, 0x08, 1}, {0x01, 0x43, 0x0A, 1}, {0x01, 0x41, 0x03, 3},
        {0x02, 0x43, 0x03, 3}, {0x01, 0x43, 0x02, 3}, {0x01, 0xA9, 0x03, 3},
    };
    bench.line.inject({"*", FaultKind::Silence, -1});
    for (const auto& c : cases) {
        bench.line.clearLog();
        EXPECT_EQ(bus::BusTransact(h, Frame(c.start, c.address, c.command), true), bus::kRecvBad);
        EXPECT_EQ(writes().size(), c.attempts) << std::hex << c.start << " " << c.address << " " << c.command;
    }
}

TEST_F(BusTransactTest, RefusalOnlyForCheckedCommands) {
    bench.line.inject({"pos1", FaultKind::Refuse, -1});
    EXPECT_EQ(clear(), bus::kRecvBad);
    EXPECT_EQ(writes().size(), 3u);
    bench.line.clearLog();
    const std::string r = bus::BusTransact(h, Frame(0x01, 0x42, 0x02, std::string(13, '0')), true);
    EXPECT_EQ(r, Bytes({0x01, 0x42, 0x06, 0x15, 0x15, 0x17}));
    EXPECT_EQ(writes().size(), 1u);
}

TEST_F(BusTransactTest, FaultyReplies) {
    const std::uint64_t charUs = sim::Line::charUs(sim::Settings(9600));
    // gapUs: from the first reply's start to the second attempt; 0: none.
    const struct { const char* what; sim::Fault fault; bool good; size_t attempts; std::uint64_t gapUs; } cases[] = {
        {"bad checksum, retried a tenth later", {"pos1", FaultKind::BadChecksum}, true, 2, 6 * charUs + 100000},
        {"noise before the reply", {"pos1", FaultKind::Noise, 1, 0, Bytes({0x00, 0xFE, 0x55, 0x17})}, true, 1, 0},
        {"split within the silence limit", {"pos1", FaultKind::Split, 1, 1.5}, true, 1, 0},
        // Three bytes arrived, then 2.0 s of silence ended the attempt.
        {"split beyond the limit", {"pos1", FaultKind::Split, 1, 2.5}, true, 2, 3 * charUs + 2001000 + 100000},
        {"short", {"pos1", FaultKind::Short, -1, 0, "", 2}, false, 3, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bench.line.clearFaults();
        bench.line.clearLog();
        bench.line.inject(c.fault);
        EXPECT_EQ(clear(), c.good ? kAck : bus::kRecvBad);
        ASSERT_EQ(writes().size(), c.attempts);
        std::uint64_t firstReply = 0;
        for (auto& e : bench.line.log())
            if (e.dir == sim::WireEntry::ToHost && !firstReply) firstReply = e.atUs;
        if (c.gapUs) EXPECT_EQ(hostAt(1), firstReply + c.gapUs);
    }
}

TEST_F(BusTransactTest, OutputBusyRefusesAndStopsTheRetries) {
    core::state().outputBusy = 1;
    const std::uint64_t t0 = bench.clock.us;
    EXPECT_EQ(clear(), bus::kRecvBad);
    EXPECT_EQ(bus::ClockBusTransact(h, Frame(0x01, 0xA9, 0x06), true), bus::kRecvBad);
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(bench.clock.us, t0);
    core::state().outputBusy = 0;
    useProbe();
    bench.line.inject({"pos1", FaultKind::Silence, -1});
    probe.onWait = [&] { core::state().outputBusy = 1; };  // set while the reply is awaited
    EXPECT_EQ(clear(), bus::kRecvBad);
    EXPECT_EQ(writes().size(), 1u);
}

TEST_F(BusTransactTest, BusBusyWhileReadingAndWaitedFor) {
    useProbe();
    int seenBusy = 0;
    probe.onWait = [&] { seenBusy = std::max<int>(seenBusy, core::state().busBusy); };
    bench.line.inject({"pos1", FaultKind::Silence});
    EXPECT_EQ(bus::BusTransact(h, Frame(0x01, 0x42, 0x03), true), bus::kRecvBad);
    EXPECT_EQ(seenBusy, 1);
    EXPECT_EQ(core::state().busBusy, 0);
    // A call while busy waits half a second, then proceeds.
    probe.onWait = nullptr;
    bench.line.clearLog();
    core::state().busBusy = 1;
    const std::uint64_t t0 = bench.clock.us;
    EXPECT_EQ(clear(), kAck);
    EXPECT_EQ(hostAt(0), t0 + 501000);
    EXPECT_EQ(core::state().busBusy, 0);
}

TEST_F(BusTransactTest, LinkSwitchOffFailureDoesNotStopTheExchange) {
    core::state().stdMeterKind = 5;
    bench.line.inject({"ctrl", FaultKind::Silence, -1});
    EXPECT_EQ(clear(), kAck);
    EXPECT_EQ(writes().size(), 4u);  // three switch attempts, then the frame
    bench.line.clearLog();
    bus::ClockBusTransact(h, Frame(0x01, 0xFF, 0x02), false);  // the clock variant never switches
    EXPECT_EQ(writes().size(), 1u);
}

TEST_F(BusTransactTest, ClockVariantLengthsChecksAndRetries) {
    bench.clockUnit().powered = false;
    auto& clock = bench.line.add<ScriptDevice>("clock", BusAddress(0xA9));
    const std::string twelve = sim::BusReply(0x01, 0xA9, 0x03, "123456");
    clock.replies.push_back(twelve + "\x01\x02");  // extra bytes dropped
    const std::string f = Frame(0x02, 0xA9, 0x03);
    EXPECT_EQ(bus::ClockBusTransact(h, f, true), twelve);
    EXPECT_EQ(writes()[0], WithPreamble(f, '\xFE'));  // 0xFE even for start 0x02
    // Checksum checked for the clock unit too; 0x03 is not retried.
    bench.line.clearLog();
    std::string bad = twelve;
    bad[10] ^= 1;
    clock.replies.push_back(bad);
    EXPECT_EQ(bus::ClockBusTransact(h, f, true), bus::kRecvBad);
    EXPECT_EQ(writes().size(), 1u);
    // Any other command: 6 bytes, three attempts on a bad checksum.
    bench.line.clearLog();
    for (int i = 0; i < 3; ++i) clock.replies.push_back(Bytes({0x01, 0xA9, 0x06, 0x06, 0x00, 0x17}));
    EXPECT_EQ(bus::ClockBusTransact(h, Frame(0x01, 0xA9, 0x06), true), bus::kRecvBad);
    EXPECT_EQ(writes().size(), 3u);
}

TEST_F(BusTransactTest, NoticeProbedOnceThenSentOrNeverIfAbsent) {
    bus::SourceStateNotice(1);
    EXPECT_EQ(bus::busState().noticeBoardPresent, 1);
    bus::SourceStateNotice(4);
    EXPECT_EQ(HexAll(BusFrames(bench.line)),
              HexAll({Frame(1, 0x41, 0x37), Frame(1, 0x41, 0x33, "1"), Frame(1, 0x41, 0x33)}));
    bus::SourceStateNotice(3);
    EXPECT_EQ(bench.board().lastNotice, 3);

    bus::busState().noticeBoardPresent = -1;
    bench.board().present = false;
    bench.line.clearLog();
    bus::SourceStateNotice(2);
    EXPECT_EQ(bus::busState().noticeBoardPresent, 0);
    EXPECT_EQ(writes().size(), 3u);  // the probe, three attempts
    bus::busState().noticeBoardPresent = -1;
    bench.line.clearLog();
    core::state().outputBusy = 1;  // a probe failed while busy
    bus::SourceStateNotice(2);
    core::state().outputBusy = 0;
    bus::SourceStateNotice(2);
    EXPECT_EQ(bus::busState().noticeBoardPresent, 0);
    EXPECT_TRUE(writes().empty());
}

TEST_F(BusTransactTest, StdPulseCount) {
    EXPECT_EQ(bus::StdPulseCount(10, 1200, 9), 83);
    SetStdConst(10);
    EXPECT_EQ(bus::StdPulseCount(1, 4, 9), 2);  // 2.5: ties to even
    EXPECT_EQ(bus::StdPulseCount(3, 4, 9), 8);  // 7.5
    EXPECT_EQ(bus::StdPulseCount(1, 0, 9), std::nullopt);
}

}  // namespace
}  // namespace tbcom::test
