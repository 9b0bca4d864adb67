// Edge cases found in review, against the simulated bench: host arguments
// that must send nothing, receives that must end within their bounds whatever
// a device sends or the tick counter does, and handles the library closed.
#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>

#include "bus/transact.h"
#include "core/state.h"
#include "position_test_support.h"
#include "stdmeter/receivers.h"
#include "stdmeter/std_state.h"
#include "stdmeter_wire.h"
#include "transport/modbus_rtu.h"
#include "transport/serial_port.h"

namespace tbcom::test {
namespace {

using sim::FaultKind;

// A device that answers the first burst it hears with one `byte` every
// `period` seconds for a minute: a meter streaming, or a wrong baud rate.
class Babbler : public sim::Device {
public:
    Babbler(char byte, double period) : Device("babbler"), byte_(byte), period_(period) {}
    void onBurst(std::string_view, sim::Line& line) override {
        for (int k = 1; !started_ && k * period_ <= 60; ++k) line.reply(*this, std::string(1, byte_), k * period_);
        started_ = true;
    }

private:
    char byte_;
    double period_;
    bool started_ = false;
};

// The simulated platform, noting every open and every handle passed to it.
class WatchPlatform : public sim::SimPlatform {
public:
    using SimPlatform::SimPlatform;
    int opens = 0;
    std::vector<platform::PortHandle> used;
    platform::PortHandle serialOpen(int n) override { return ++opens, SimPlatform::serialOpen(n); }
    bool serialGetSettings(platform::PortHandle h, platform::SerialSettings& s) override {
        return used.push_back(h), SimPlatform::serialGetSettings(h, s);
    }
    void serialPurge(platform::PortHandle h) override { used.push_back(h), SimPlatform::serialPurge(h); }
    int serialQueued(platform::PortHandle h) override { return used.push_back(h), SimPlatform::serialQueued(h); }
    void serialClose(platform::PortHandle h) override { used.push_back(h), SimPlatform::serialClose(h); }
};

class ReviewCasesSim : public SimBenchTest {
protected:
    WatchPlatform& watch() {
        watch_.attach(kPort, bench.line);
        platform::install(&watch_);
        return watch_;
    }
    std::uint64_t usOf(const std::function<void()>& call) {
        const std::uint64_t t0 = bench.clock.us;
        call();
        return bench.clock.us - t0;
    }
    char buf[128] = "untouched";
    char* out = buf;
    WatchPlatform watch_{bench.clock};
};

TEST_F(ReviewCasesSim, RefusedArgumentsSendNothing) {
    const double nan = std::nan("");
    const char* pair[2] = {};
    int32_t count = 7;
    const std::pair<const char*, std::function<int()>> cases[] = {
        {"ErrorComm1 #0G", [] { return ErrorComm1(kPort, 0x42, 0x04, "#0G"); }},
        {"ErrorComm #0G", [&] { return ErrorComm(kPort, 0x42, 0x04, "#0G", &out); }},
        {"Error_Start k 0", [] { return Error_Start(1, 0, 5, kPort); }},
        {"Error_StartL k NaN", [&] { return Error_StartL(1, nan, 5, kPort); }},
        {"Error_Start_Correct k 1e-30", [] { return Error_Start_Correct(1, 1e-30, 0.5, 5, kPort); }},
        {"ConstTest_Start k 0", [] { return ConstTest_Start(1, 0, kPort); }},
        {"ConstTest_Start k NaN", [&] { return ConstTest_Start(0, nan, kPort); }},
        {"Error_StartL 256", [] { return Error_StartL(256, 1200, 5, kPort); }},
        {"Error_StartL -1", [] { return Error_StartL(-1, 1200, 5, kPort); }},
        {"Error_Read 190", [&] { return Error_Read(&out, 190, kPort); }},
        {"Search_mark 255", [] { return Search_mark(255, kPort); }},
        {"VoltFall 256", [] { return VoltFall(kPort, 256, 1, 1, 1); }},
        {"Count_Read 200", [&] { return Count_Read(&count, 200, kPort); }},
        {"Power_Measure_Read 190", [&] { return Power_Measure_Read(&out, 190, 1, kPort); }},
        {"ErrorOrder_gFun 10 at 256", [&] { return ErrorOrder_gFun("COM3", 10, 256, 0, pair) - 2; }},
        {"ErrorCircles_gFun 190", [&] { return ErrorCircles_gFun("COM3", 190, 1, 1, 0, pair, 0) - 2; }},
        {"ErrorPules_gFun INT32_MIN", [&] { return ErrorPules_gFun("COM3", 2, INT32_MIN, 0, 0, pair) - 2; }},
    };
    for (const auto& [name, call] : cases) {
        bench.line.clearLog();
        EXPECT_EQ(call(), 0) << name;
        EXPECT_TRUE(writes().empty()) << name;
    }
    EXPECT_STREQ(buf, "untouched");
    EXPECT_EQ(count, 7);
    EXPECT_EQ(pair[0], nullptr);
}

TEST_F(ReviewCasesSim, NegativeCorrectionThatRoundsToZeroKeepsItsSign) {
    ASSERT_EQ(Error_Start_Correct(1, 1200, -0.001, 5, kPort), 1);
    EXPECT_EQ(HexAll(BusFrames(bench.line)), HexAll({Frame(1, 0x42, 0x02, "0005000000042" "1000")}));
}

TEST_F(ReviewCasesSim, ChannelArithmeticOnTheLowByteOnly) {
    Set_CWChl(0, kPort);
    Set_CWChl(INT32_MIN, kPort);  // low byte 0 as well
    EXPECT_EQ(HexAll(BusFrames(bench.line)), HexAll({Frame(1, 0x41, 0x36, "/"), Frame(1, 0x41, 0x36, "/")}));
}

TEST_F(ReviewCasesSim, ReceiversEndAtTheirLimitAcrossTheCounterWrap) {
    const platform::PortHandle h = transport::OpenCommPort(kPort, "9600,n,8,1");
    std::string reply;
    const std::pair<std::function<std::string()>, std::uint64_t> cases[] = {
        {[&] { return stdmeter::ReceiveWithSemicolon(h, 6); }, 1000000},
        {[&] { return stdmeter::ReceiveWithCommas(h, 6); }, 1000000},
        {[&] { return bus::ReadBusReply(h, 6); }, 2001000},
        {[&] { return transport::ReadModbusReply(h, reply, 6) ? "" : "RECV_BAD"; }, 501000},
    };
    for (const auto& [receive, limitUs] : cases) {
        bench.clock.baseMs = 0xFFFFFFFFu - 199 - static_cast<std::uint32_t>(bench.clock.us / 1000);
        std::string got;
        EXPECT_EQ(usOf([&] { got = receive(); }), limitUs);
        EXPECT_EQ(got, "RECV_BAD");
    }
}

TEST_F(ReviewCasesSim, BabblingDeviceCannotHoldAReceive) {
    for (const char* d : {"pos1", "ctrl"}) bench.line.inject({d, FaultKind::Silence, -1});
    bench.line.add<Babbler>('\x55', 0.1);
    // No byte starts a reply: each receive ends by its silence limit.
    EXPECT_NEAR(usOf([&] { EXPECT_EQ(Error_Read(&out, 1, kPort), 0); }), 2001000, 1000);
    tbcom_bool ok = 1;
    HostText text;
    EXPECT_NEAR(usOf([&] { ok = StdMeter_Read(&text.ptr, "TB8700", kPort); }), 3 * 501000 + 3 * 200000, 1000);
    EXPECT_EQ(ok, 0);  // the kind could not be learned
}

TEST_F(ReviewCasesSim, SlowReplyBytesMeetTheOverallBound) {
    bench.line.inject({"pos1", FaultKind::Silence, -1});
    bench.line.add<Babbler>('\x01', 1.9);  // each byte advances the reply, but too slowly
    EXPECT_NEAR(usOf([&] { EXPECT_EQ(Error_Read(&out, 1, kPort), 0); }), 6001000, 1000);
}

TEST_F(ReviewCasesSim, Wb412KindIsSetOnlyForTheExactModelText) {
    bench.addStdMeter(sim::StdMeterModel::Kp3, 5);
    HostText text;
    StdMeter_Read(&text.ptr, "wb412i", kPort);
    EXPECT_EQ(core::state().stdMeterKind, 5);
    EXPECT_EQ(writes().front(), KindRead());
}

TEST_F(ReviewCasesSim, FailedRecordReadLeavesTheReadingAfterNewFactors) {
    bench.addStdMeter(sim::StdMeterModel::Kp3, 6);
    bench.world.source.u = {100, 110, 120};
    HostText text("MeterData4W");
    ASSERT_EQ(Set_HMC_2011(0, 0, 0, 0, 0, 0, 2, 0.5), 1);
    StdMeter_Read(&text.ptr, "TB8700", kPort);
    ASSERT_NEAR(stdmeter::stdState().reading.ua, 200, 1e-3);
    ASSERT_EQ(Set_HMC_2011(0, 0, 0, 0, 0, 0, 3, 0.5), 1);
    bench.line.inject({"kpmeter", FaultKind::Silence, 3});
    StdMeter_Read(&text.ptr, "TB8700", kPort);
    EXPECT_NEAR(stdmeter::stdState().reading.ua, 200, 1e-3);
}

TEST_F(ReviewCasesSim, BoardCallTriesAClosedVn74PortOnce) {
    auto& w = watch();
    core::state().vn74PortNumber = 9;  // no such port
    char state[8] = "", *p = state;
    for (int call = 1; call <= 2; ++call) {
        w.opens = 0;
        GetRS485On(&p, 1, kPort);
        EXPECT_EQ(w.opens, call == 1 ? 2 : 1) << call;  // the bench port opens with the first
    }
}

TEST_F(ReviewCasesSim, PortClosedAfterARefusedBaudIsNeverUsedAgain) {
    auto& w = watch();
    ASSERT_EQ(Error_Reset(kPort), 1);
    const tbcom_handle h = getComHandle();
    bench.line.setHostSettings(sim::Settings(4800));
    w.refuseSettings = 1;
    EXPECT_EQ(Error_Clear(kPort), 0);
    w.used.clear();
    bench.line.clearLog();
    EXPECT_EQ(Error_Clear(kPort), 0);
    EXPECT_EQ(ErrorClear(1, kPort), 0);
    EXPECT_EQ(getComHandle(), h);  // still shown to the host
    Dll_Port_Close();
    EXPECT_EQ(std::count(w.used.begin(), w.used.end(), h), 0);
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(Error_Reset(kPort), 1);  // a fresh port
}

TEST_F(ReviewCasesSim, PowerTextNeverPassesItsStatedLength) {
    for (int c = 1; c <= 3; ++c) bench.powerUnit(c).valueOverride = "99999";
    auto& rec = stdmeter::stdState().reading;
    rec.ia = rec.ib = rec.ic = 999999000;
    EXPECT_EQ(Power_Measure_Read(&out, 1, 1, kPort), 0);
    EXPECT_STREQ(buf, "");
}

}  // namespace
}  // namespace tbcom::test
