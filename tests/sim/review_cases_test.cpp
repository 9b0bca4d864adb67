// Review cases on the simulated bench: refused arguments, receive bounds, retired handles.
#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>

#include "bus/transact.h"
#include "core/state.h"
#include "sim_fixture.h"
#include "stdmeter/receivers.h"
#include "stdmeter/std_state.h"
#include "stdmeter_wire.h"
#include "transport/modbus_rtu.h"
#include "transport/serial_port.h"

namespace tbcom::test {

// Answers its first burst with one `byte` every `period` s for a minute.
struct Babbler : sim::Device {
    Babbler(char b, double s) : Device("babbler"), byte(b), period(s) {}
    void onBurst(std::string_view, sim::Line& line) override {
        for (int k = 1; !started && k * period <= 60; ++k) line.reply(*this, std::string(1, byte), k * period);
        started = true;
    }
    char byte; double period; bool started = false;
};

// Counts opens and notes the handles passed to the OS.
struct WatchPlatform : sim::SimPlatform {
    using SimPlatform::SimPlatform;
    int opens = 0;
    std::vector<platform::PortHandle> used;
    platform::PortHandle serialOpen(int n) override { return ++opens, SimPlatform::serialOpen(n); }
    bool serialGetSettings(platform::PortHandle h, platform::SerialSettings& s) override {
        return used.push_back(h), SimPlatform::serialGetSettings(h, s);
    }
    void serialPurge(platform::PortHandle h) override { used.push_back(h), SimPlatform::serialPurge(h); }
};

struct ReviewCasesSim : SimBenchTest {
    std::uint64_t usOf(const std::function<void()>& f) { auto t0 = bench.clock.us; return f(), bench.clock.us - t0; }
    char buf[128] = "untouched";
    char* out = buf;
    WatchPlatform p{bench.clock};  // outlives TearDown, which may still use it
};

TEST_F(ReviewCasesSim, RefusedArgumentsSendNothing) {
    const double nan = std::nan("");
    const char* pair[2] = {};
    EXPECT_EQ(ErrorComm1(kPort, 0x42, 0x04, "#0G") + ErrorComm(kPort, 0x42, 4, "#0G", &out) +
                  Error_Start(1, 0, 5, kPort) + Error_StartL(1, nan, 5, kPort) + ConstTest_Start(0, nan, kPort) +
                  Error_Start_Correct(1, 1e-30, 0.5, 5, kPort) + Error_StartL(256, 1200, 5, kPort) +
                  Error_StartL(-1, 1200, 5, kPort) + Error_Read(&out, 190, kPort) + Search_mark(255, kPort) +
                  VoltFall(kPort, 256, 1, 1, 1) + Power_Measure_Read(&out, 190, 1, kPort) +
                  ErrorOrder_gFun("COM3", 10, 256, 0, pair) + ErrorPules_gFun("COM3", 2, INT_MIN, 0, 0, pair),
              4);  // the two "_gFun" calls return 2
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(std::string(buf) + (pair[0] ? "written" : ""), "untouched");
    ASSERT_EQ(Error_Start_Correct(1, 1200, -0.001, 5, kPort), 1);  // correction "1000"
    Set_CWChl(INT_MIN, kPort);                                      // as channel 0: "/"
    EXPECT_EQ(HexAll(BusFrames(bench.line)),
              HexAll({Frame(1, 0x42, 0x02, "00050000000421000"), Frame(1, 0x41, 0x36, "/")}));
}

TEST_F(ReviewCasesSim, ReceiveBoundsAcrossTheCounterWrapAndAgainstBabblers) {
    const platform::PortHandle h = core::state().benchPort = transport::OpenCommPort(kPort, "9600,n,8,1");
    std::string got;
    const std::pair<std::function<std::string()>, std::uint64_t> cases[] = {
        {[&] { return stdmeter::ReceiveWithSemicolon(h, 6); }, 1000000},
        {[&] { return stdmeter::ReceiveWithCommas(h, 6); }, 1000000},
        {[&] { return bus::ReadBusReply(h, 6); }, 2001000},
        {[&] { return transport::ReadModbusReply(h, got, 6) ? "" : "RECV_BAD"; }, 501000}};
    for (const auto& [receive, limitUs] : cases) {
        bench.clock.baseMs = 0xFFFFFFFFu - 199 - static_cast<std::uint32_t>(bench.clock.us / 1000);
        EXPECT_EQ(usOf([&] { EXPECT_EQ(receive(), "RECV_BAD"); }), limitUs);
    }
    for (auto d : {"pos1", "ctrl"}) bench.line.inject({d, sim::FaultKind::Silence, -1});
    bench.line.add<Babbler>('\x55', 0.1);  // never a start byte: silence limits hold
    EXPECT_NEAR(usOf([&] { Error_Read(&out, 1, kPort); }), 2001000, 1000);
    EXPECT_NEAR(usOf([&] { EXPECT_EQ(StdMeter_Read(&out, "TB8700", kPort), 0); }), 2103000, 1000);
}

TEST_F(ReviewCasesSim, SlowReplyBytesMeetTheOverallBound) {
    bench.line.inject({"pos1", sim::FaultKind::Silence, -1});
    bench.line.add<Babbler>('\x01', 1.9);  // each byte advances the reply, too slowly
    EXPECT_NEAR(usOf([&] { Error_Read(&out, 1, kPort); }), 6001000, 1000);
}

TEST_F(ReviewCasesSim, StdMeterKindAndRecordEdges) {
    bench.addStdMeter(sim::StdMeterModel::Kp3, 6);
    auto read = [](const char* model) { HostText t("MeterData4W"); StdMeter_Read(&t.ptr, model, kPort); };
    read("wb412i");  // not the exact model text: the kind is learned
    EXPECT_EQ(writes().at(0), KindRead());
    Set_HMC_2011(0, 0, 0, 0, 0, 0, 2, 0.5), bench.world.source.u = {100, 110, 120};
    read("TB8700");
    ASSERT_NEAR(stdmeter::stdState().reading.ua, 200, 1e-3);
    Set_HMC_2011(0, 0, 0, 0, 0, 0, 3, 0.5), bench.line.inject({"kpmeter", sim::FaultKind::Silence, 3});
    read("TB8700");  // fails: the reading stays
    EXPECT_NEAR(stdmeter::stdState().reading.ua, 200, 1e-3);
}

TEST_F(ReviewCasesSim, ClosedPortsTriedOnceRetiredHandlesNeverUsedTextsBounded) {
    p.attach(kPort, bench.line), platform::install(&p);
    core::state().vn74PortNumber = 9;  // no such port
    ASSERT_EQ(Error_Reset(kPort), 1);
    p.opens = 0, GetRS485On(&out, 1, kPort);
    EXPECT_EQ(p.opens, 1);
    const tbcom_handle h = getComHandle();
    bench.line.setHostSettings(sim::Settings(4800)), p.refuseSettings = 1, p.used.clear();
    EXPECT_EQ(Error_Clear(kPort) + Error_Clear(kPort) + ErrorClear(1, kPort), 0);
    EXPECT_EQ(getComHandle(), h);
    Dll_Port_Close();
    EXPECT_EQ(std::count(p.used.begin(), p.used.end(), h), 1);  // the refused baud change only
    for (int c = 1; c <= 3; ++c) bench.powerUnit(c).valueOverride = "99999";
    auto& r = stdmeter::stdState().reading;
    r.ia = r.ib = r.ic = 999999000;
    EXPECT_EQ(Power_Measure_Read(&out, 1, 1, kPort), 0);  // a fresh port; a text past 90 characters
    EXPECT_STREQ(buf, "");
}

}  // namespace tbcom::test
