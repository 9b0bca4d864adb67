// Serial transport on the simulated bench: port parameters, baud changes and
// their error box, the fixed-length reader, the Modbus transactions, the
// timed waits on the virtual clock and the debug log.
#include "core/debug_log.h"
#include "core/state.h"
#include "sim_fixture.h"
#include "transport/modbus_rtu.h"
#include "transport/reader.h"
#include "transport/serial_port.h"
#include "transport/timing.h"

namespace tbcom::test {
namespace {

using platform::Parity;
using platform::SerialSettings;
using platform::StopBits;
namespace tp = transport;

class Transport : public SimBenchTest {
protected:
    platform::PortHandle open(const char* params = "9600,n,8,1") {
        platform::PortHandle h = tp::OpenCommPort(3, params);
        EXPECT_NE(h, 0u);
        return h;
    }
    std::uint64_t us() const { return bench.clock.us; }
    ScriptDevice& scripted(const std::string& reply) {
        auto& dev = bench.line.add<ScriptDevice>("script");
        dev.replies.push_back(reply);
        return dev;
    }
};

TEST_F(Transport, ParameterTexts) {
    const struct { const char* text; SerialSettings want; } cases[] = {
        {"4800,x,7,1.5", {4800, 7, Parity::Even, StopBits::OneAndHalf}}, {"9600,n,8", {9600, 8, Parity::None, StopBits::One}},
        {"2400,m,8,3", {2400, 8, Parity::Mark, StopBits::One}},
    };
    for (const auto& c : cases) {
        platform::PortHandle h = open(c.text);
        EXPECT_EQ(bench.line.hostSettings(), c.want) << c.text;
        EXPECT_EQ(tp::CloseCommPort(h), 0u);
    }
}

TEST_F(Transport, OpenFailuresLeaveNoHandle) {
    EXPECT_EQ(tp::OpenCommPort(3, "abc,n,8,1"), 0u);
    EXPECT_EQ(tp::OpenCommPort(8, "9600,n,8,1"), 0u);  // no such port
    bench.platform.refuseSettings = 1;
    EXPECT_EQ(tp::OpenCommPort(3, "9600,n,8,1"), 0u);
    EXPECT_EQ(bench.platform.openPorts(), 0u);
    EXPECT_TRUE(bench.platform.boxes.empty());  // only a refused baud change shows a box
}

TEST_F(Transport, SetCommBaud) {
    platform::PortHandle h = open("9600,e,7,2");
    bench.platform.refuseSettings = 1;  // would fail if anything were applied
    EXPECT_EQ(tp::SetCommBaud(h, ""), 1);  // empty means 9600
    bench.platform.refuseSettings = 0;
    EXPECT_EQ(tp::SetCommBaud(h, "38400"), 1);  // only the baud changes
    EXPECT_EQ(bench.line.hostSettings(), (SerialSettings{38400, 7, Parity::Even, StopBits::Two}));

    bench.platform.refuseSettings = 1;
    EXPECT_EQ(tp::SetCommBaud(h, "4800"), 0);
    EXPECT_FALSE(bench.platform.isOpen(h));  // closed, with the error box
    ASSERT_EQ(bench.platform.boxes.size(), 1u);
    EXPECT_EQ(bench.platform.boxes[0].text,
              "\xB2\xBB\xC4\xDC\xD5\xFD\xC8\xB7\xB5\xC4\xC9\xE8\xD6\xC3\xB4\xAE\xD0\xD0\xBF\xDA\xA3\xA1");
    EXPECT_EQ(bench.platform.boxes[0].title, "\xB4\xED\xCE\xF3");
}

TEST_F(Transport, RefusedBaudInABusCallLeavesTheDeadHandle) {
    ASSERT_EQ(Error_Reset(kPort), 1);
    const tbcom_handle h = getComHandle();
    bench.line.setHostSettings(sim::Settings(4800));
    bench.line.clearLog();
    bench.platform.refuseSettings = 1;
    EXPECT_EQ(Error_Reset(kPort), 0);  // nothing went out
    EXPECT_TRUE(bench.line.hostWrites().empty());
    EXPECT_EQ(getComHandle(), h);
    EXPECT_FALSE(bench.platform.isOpen(h));
}

TEST_F(Transport, ModbusRequestsOnTheWire) {
    platform::PortHandle h = open();
    bench.controller().registers[0] = 0x1234;
    std::string data;
    ASSERT_EQ(tp::ModbusReadRegisters(h, 0xB1, 0, 1, data), 0);
    EXPECT_EQ(data, Bytes({0x12, 0x34}));
    EXPECT_EQ(tp::ModbusWriteRegister(h, 0xB1, 0x0056, 0x1234), 0);
    EXPECT_EQ(bench.controller().registers[0x56], 0x1234);
    EXPECT_EQ(tp::ModbusWriteRegisters(h, 0xB1, 0x0020, Bytes({1, 2, 3})), 0);
    EXPECT_EQ(bench.controller().writes[1].first, 0x20);
    ASSERT_EQ(writes().size(), 3u);
    EXPECT_EQ(Hex(writes()[0]), "F9 F9 F9 F9 F9 B1 03 00 00 00 01 9E 3A");
    EXPECT_EQ(Hex(writes()[2]), "F9 F9 F9 F9 F9 B1 10 00 20 00 01 03 01 02 03 E7 F2");
    EXPECT_EQ(core::state().busBusy, 0);
}

TEST_F(Transport, ModbusFaultsFailWithoutRetry) {
    platform::PortHandle h = open();
    const std::uint64_t t0 = us();
    bench.line.inject({"ctrl", sim::FaultKind::Refuse});  // an exception reply has another length
    EXPECT_EQ(tp::ModbusWriteRegister(h, 0xB1, 0x0056, 1), -1);
    EXPECT_GT(us() - t0, 500000u);
    EXPECT_EQ(writes().size(), 1u);
    std::string data;
    bench.line.inject({"ctrl", sim::FaultKind::Silence});
    EXPECT_EQ(tp::ModbusReadRegisters(h, 0xB1, 0, 2, data), -1);
    bench.line.inject({"ctrl", sim::FaultKind::BadChecksum});
    EXPECT_EQ(tp::ModbusReadRegisters(h, 0xB1, 0, 2, data), -1);
    EXPECT_EQ(tp::ModbusReadRegisters(h, 0xB1, 0, 2, data), 0);
    EXPECT_EQ(writes().size(), 4u);
    EXPECT_EQ(core::state().busBusy, 0);
}

TEST_F(Transport, ReaderSkipsNoiseAndDropsTheRest) {
    for (int start : {0xB1, 0x01, 0x37, 0xA3}) {
        auto& dev = scripted(Bytes({0x00, 0xFF, 0x55, start, 1, 2, 3, 4, 5, 6, 7, 8}));
        platform::PortHandle h = open();
        tp::WriteRaw(h, "x");
        std::string out;
        EXPECT_EQ(tp::ReadModbusReply(h, out, 5), 5) << start;
        EXPECT_EQ(out, Bytes({start, 1, 2, 3, 4}));
        EXPECT_EQ(bench.line.hostQueued(), 0);  // the rest of the chunk was dropped
        tp::CloseCommPort(h);
        dev.powered = false;
    }
}

TEST_F(Transport, ModbusRepliesStartAtTheAskedDevicesAddress) {
    // 0xB2 is not among the fixed start bytes: only the address of the device
    // asked lets its reply be heard, after noise that is skipped.
    const std::string reply = tp::WithCrc(Bytes({0xB2, 0x03, 0x02, 0x00, 0x12}));
    bench.interrupter().powered = false;  // the scripted device alone answers
    scripted(Bytes({0x55, 0xB3}) + reply);
    platform::PortHandle h = open();
    std::string data;
    EXPECT_EQ(tp::ModbusReadRegisters(h, 0xB2, 0x0014, 1, data), 0);
    EXPECT_EQ(data, Bytes({0x00, 0x12}));
}

TEST_F(Transport, ReaderSilenceLimitRestartsAfterEachChunk) {
    auto& dev = scripted(Bytes({0xB1, 1, 2, 3, 4, 5, 6, 7}));
    bench.line.inject({"script", sim::FaultKind::Split, 1, 0.45});
    platform::PortHandle h = open();
    tp::WriteRaw(h, "x");
    std::string out;
    EXPECT_EQ(tp::ReadModbusReply(h, out, 8), 8);
    dev.replies.push_back(Bytes({0xB1, 1, 2, 3, 4, 5, 6, 7}));
    bench.line.inject({"script", sim::FaultKind::Split, 1, 0.6});
    tp::WriteRaw(h, "x");
    EXPECT_EQ(tp::ReadModbusReply(h, out, 8), 0);
    EXPECT_EQ(out.size(), 4u);  // half had arrived
    EXPECT_EQ(core::state().busBusy, 0);
}

TEST_F(Transport, DelayAndNowSecondsOnTheVirtualClock) {
    EXPECT_EQ(tp::NowSeconds(), 1000.0);  // baseMs 1000000
    const std::uint64_t t0 = us();
    const std::pair<double, std::uint64_t> delays[] = {
        {0.1, 100000}, {0.0015, 101000}, {-1, 101000}, {5.5, 5601000}};  // 1.5 ms is truncated to 1 ms
    for (auto [seconds, total] : delays) {
        tp::Delay(seconds);
        EXPECT_EQ(us() - t0, total) << seconds;
    }
    EXPECT_EQ(tp::NowSeconds(), 1005.601);
    EXPECT_GT(bench.platform.pumps, 0);  // every wait pumps messages
}

TEST_F(Transport, WaitsSurviveTheCounterWrapAround) {
    bench.clock.baseMs = 0xFFFFFFFFu - 40;
    const std::uint64_t t0 = us();
    tp::TickTimer t;
    tp::Delay(0.1);
    EXPECT_EQ(us() - t0, 100000u);
    EXPECT_EQ(t.elapsedMs(), 100u);
    EXPECT_EQ(tp::NowSeconds(), 0.059);  // the counter wrapped to 59 ms
    // Receives across the wrap: ReviewCasesSim.ReceiveBoundsAcrossTheCounterWrapAndAgainstBabblers.
}

TEST_F(Transport, DebugLogEntry) {
    core::WriteDebugLog("first");
    core::WriteDebugLog("second");  // same second: replaces the entry
    bench.platform.time = {2027, 1, 2, 23, 5, 9};
    core::WriteDebugLog("third");
    const auto& file = bench.platform.ini.at("/sim/host/debug.ini");
    EXPECT_EQ(file.at("20261206").at("093015"), "second");
    EXPECT_EQ(file.at("20270102").at("230509"), "third");
    EXPECT_EQ(file.at("20261206").size(), 1u);
}

}  // namespace
}  // namespace tbcom::test
