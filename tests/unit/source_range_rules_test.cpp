// Range codes of the text-command and register sources, the LX range ladder
// and the standard constant of the ranges: every table row and bound.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/lifecycle.h"
#include "core/state.h"
#include "instruments/amplifier.h"
#include "source/drivers/a3_sources.h"
#include "source/drivers/driver_state.h"
#include "source/drivers/gf7400.h"
#include "source/drivers/hex_frames.h"
#include "source/drivers/lx_registers.h"
#include "source/drivers/manual_mode.h"
#include "source/drivers/ms_ub_ib.h"
#include "source/drivers/range_std_const.h"
#include "source/drivers/vn74.h"
#include "source/output_record.h"
#include "stdmeter/std_state.h"

namespace tbcom::test {
namespace {

using namespace source::drivers;

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

class RangeRules : public ::testing::Test {
protected:
    void SetUp() override { core::processAttach(); }
    void TearDown() override { core::processAttach(); }
};

// Each bound gives its row's code; one unit above it gives the next row's.
template <class Fn>
void CheckLadder(const std::vector<long>& bounds, const std::vector<std::string>& codes, double unit, double above,
                 Fn code) {
    ASSERT_EQ(codes.size(), bounds.size() + 1);
    for (size_t k = 0; k < bounds.size(); ++k) {
        SCOPED_TRACE(bounds[k]);
        EXPECT_EQ(code(bounds[k] * unit), codes[k]);
        EXPECT_EQ(code(bounds[k] * unit + above), codes[k + 1]);
    }
}

TEST_F(RangeRules, MsCurrentColumns) {
    const std::vector<long> bounds{130,   200,   250,   500,    1000,   2000,   2500,   5000,   10000,
                                   20000, 25000, 50000, 100000, 120000, 200000, 250000, 500000, 1000000};
    const struct { const char* model; const char* codes; } columns[] = {
        {"KP8707C-66-460A", "0B 0B 0A 0A 09 08 07 07 06 05 04 04 03 03 02 01 01 00 00"},
        {"MGV466-06", "0B 0B 0B 0A 09 08 08 07 06 05 05 04 03 02 02 02 01 00 00"},
        {"KP8404C-67-600A", "0B 0B 0B 0B 0A 09 08 08 07 06 05 05 04 03 03 02 02 01 00"},  // 200 A bench
    };
    for (const auto& c : columns) {
        SCOPED_TRACE(c.model);
        CheckLadder(bounds, Words(c.codes), 1e-4, 1e-4, [&](double i) { return MsCurrentCode(c.model, i); });
    }
    CheckLadder({60, 120, 240}, {"3", "2", "1", "0"}, 1, 0.01, MsVoltageCode);
}

TEST_F(RangeRules, MsCurrentFlagsAndOverrides) {
    const struct {
        const char* model;
        double current;
        const char* code;
        bool h = false;
        double maxCurrent = 100;
        bool amplifier = false;
    } cases[] = {
        {"KP8707C-66", 0.013, "0C", true}, {"KP8707C-66", 0.0131, "0B", true}, {"KP8707C-66_K6", 0.025, "0C", true},
        {"KP8404C-67_K6", 2, "06", false, 150}, {"KP8404C-67_K6", 2, "05", false, 149},
        {"KP8707C-66_K6", 12, "02", true, 200}, {"KP8707C-66_K6", 10, "04", true, 200},
        {"KP8707C-66_K6", 50.0001, "01", true, 200}, {"None", 5, ""}, {"None", 0, "00"}, {"KP8707C-66", 0, "00"},
        {"KP8707C-66", 5, "04", false, 12}, {"None", 5.0001, "03", false, 12}, {"KP8707C-66", 0.001, "04", false, 12},
        {"KP8707C-66", 0.1, "09", false, 12, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + std::to_string(c.current));
        stdmeter::stdState().maxCurrent = c.maxCurrent;
        stdmeter::stdState().hVariant = c.h;
        instruments::amplifier().enabled = c.amplifier;
        EXPECT_EQ(MsCurrentCode(c.model, c.current), c.code);
    }
}

TEST_F(RangeRules, WiringModeColumns) {
    const int modes[] = {0, 1, 2, 3, 4, 5, 6, 7, 100, 42};
    const std::string single = "0000000110", three = "0032514110";
    const auto wiring = Words("P4;F1 P4;F1 P3;F1 K4;F2 K3;F2 N4;F2 N3;F2 N4;F2 P4;F1 P4;F1");
    const auto lx9700 = Words("P4 P4 P3 K3 K3 N4 N3 P4 P4 P4");
    for (size_t k = 0; k < 10; ++k) {
        SCOPED_TRACE(modes[k]);
        EXPECT_EQ(MsModeCode("KP8404C-67_K6", modes[k]), single.substr(k, 1));
        EXPECT_EQ(MsModeCode("MGV766-06", modes[k]), three.substr(k, 1));
        EXPECT_EQ(ManualCommand("ZAK-K6009", modes[k], 1, 0), "U1,1,1;I1,1,1;" + wiring[k] + "\r");
        Lx9700Driver(0, modes[k], 220, 5);
        EXPECT_EQ(driverState().lastModeCode, lx9700[k]);
    }
}

TEST_F(RangeRules, ManualModeCodes) {
    // Currents count in whole milliamperes, truncated.
    CheckLadder({20, 50, 128, 320, 800, 2000, 5000, 12000, 20000, 50000}, Words("1 2 3 4 5 6 7 8 6 7 8"), 1e-3,
                1e-3, [](double i) { return ManualCurrentCode("PLM 600.7", i + 0.0005); });
    CheckLadder({20, 40, 80, 160, 200, 400, 800, 1600, 2000, 4000, 8000, 16000, 20000, 40000, 80000},
                Words("1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16"), 1e-3, 1e-3,
                [](double i) { return ManualCurrentCode("ZAK-K6009", i + 0.0005); });
    CheckLadder({60, 120, 240}, Words("1 2 3 4"), 1, 0.01, [](double u) { return ManualVoltageCode("PLM 600.7", u); });
    CheckLadder({65, 130, 260}, Words("1 2 3 4"), 1, 0.01, [](double u) { return ManualVoltageCode("ZAK-K6009", u); });

    EXPECT_EQ(ManualCommand("PLM 600.7", 1, 220, 5), "U3,3,3;DB1;I7,7,7;P4;F1\r");
    EXPECT_EQ(ManualCommand("PLM 600.7", 6, 57.7, 12), "U1,1,1;DB1;I8,8,8;N3;F2\r");
    EXPECT_EQ(ManualCommand("PLM 600.7", 6, 57.7, 12.0015), "U1,1,1;DB0;I6,6,6;N3;F2\r");
}

TEST_F(RangeRules, LxLadders) {
    const struct {
        int variant;
        std::vector<long> bounds;
        const char* ranges;  // nominal current / range index
    } ladders[] = {
        {0, {120, 1000, 6000, 24000, 120000}, "0.1/0 1/1 5/2 20/3 100/4 100/4"},
        {1, {120, 300, 1000, 3000, 12000}, "0.1/0 0.25/1 1/2 2.5/3 10/4 25/5"},
        {2, {120, 300, 1000, 3000, 6000, 12000, 30000, 120000}, "0.1/0 0.25/1 1/2 2.5/3 5/4 10/5 25/6 100/7 200/8"},
        {3, {120, 360, 1000, 3600, 6000, 12000, 36000, 72000}, "0.1/0 0.3/1 1/2 3/3 5/4 10/5 30/6 60/7 120/8"},
        {4, {120, 1000, 12000, 60000}, "0.1/0 1/1 10/2 50/3 120/4"},
    };
    for (const auto& l : ladders) {
        SCOPED_TRACE(l.variant);
        stdmeter::stdState().lx7000Variant = l.variant;
        CheckLadder(l.bounds, Words(l.ranges), 1e-3, 1e-3, [](double i) {
            std::ostringstream s;
            s << LxCurrentRange(i) << "/" << driverState().lxRangeIndex;
            return s.str();
        });
    }
    stdmeter::stdState().lx7000Variant = 0;
    CheckLadder({75, 150, 300}, Words("0003 0002 0001 0000"), 1, 0.01, [](double u) { return LxVoltageCode("LX-7000B", u); });
    CheckLadder({60, 120, 240}, Words("0003 0002 0001 0000"), 1, 0.01, [](double u) { return LxVoltageCode("LX-7000D", u); });
    // Quarter, half and full of the 5 A range; CtRate follows the range.
    CheckLadder({1250, 2500}, Words("0002 0001 0000"), 1e-3, 5e-3, LxCurrentCode);
    EXPECT_EQ(core::state().ctRate, 5);
}

TEST_F(RangeRules, RangeStdConstGroups) {
    const struct { const char* model; double u, i, k; bool h = false; double maxCurrent = 100; } cases[] = {
        {"KP8707C-66", 220, 5, 1.6e7}, {"PLM 600.7", 220, 5, 3.0e7}, {"None", 220, 5, 2.4e7}, {"", 57.7, 0.1, 2.4e7},
        {"GF7400", 220, 5, 2.4e7}, {"KP8404C-66", 220, 1.2, 1.6e8}, {"KP8404C-66", 220, 5, 1.6e7},
        {"KP8404C-66_7", 220, 20, 1.6e6}, {"KP8404C-67", 220, 5, 3.2e7}, {"MGV466-06", 57.7, 0.025, 2.56e10},
        {"KP8404C-67", 60, 5, 1.28e8}, {"KP8404C-67", 60.01, 5, 6.4e7}, {"KP8404C-67", 220, 0.026, 3.2e9},
        {"KP8404C-67", 220, 0.013, 7.68e10, true, 100}, {"KP8404C-67", 220, 5, 1.92e8, true, 100},
        {"TB8700B", 100, 1, 6.4e8}, {"TB8700B", 250, 1, 1.6e8}, {"KP8404C-67", 380, 5, 1.6e7},
        {"DD7400", 380, 5, 5e7}, {"GF 7400", 380, 5, 9e6}, {"PLM 600.7", 380, 5, 1.5e7},
        {"KP8404C-67_K6", 220, 2, 8e7, false, 200}, {"KP8404C-67-600A", 220, 2, 3.2e7, false, 100}, {"VN-74", 220, 5, 6.4e7},
        {"MGV766-06", 220, 0.013, 2.56e10, true, 100}, {"KP8707C-66", 220, 5, 1.6e7, false, 12},
        {"KP8707C-66", 220, 6, 8e6, false, 12}, {"KP8707C-66_K6", 220, 20, 4e6, false, 200},
        {"KP8707C-66_K6", 220, 20, 6.4e6, true, 200}, {"KP8707C-66-600A", 220, 0.02, 1.28e10, true, 200},
        {"TB8760", 220, 5, 6e7}, {"DD7400-N", 30, 0.2, 2e10}, {"ZAK-K6009", 65, 0.02, 5.76e10},
        {"ZAK-K6009", 230, 100, 1.8e6}, {"GF 7400", 220, 5, 1.8e7}, {"LX-7000B", 220, 2, 1e8},
        {"LX-7000C", 220, 0.5, 2.5e8}, {"LX-7000D", 230, 2, 5e7}, {"LX-7000D", 400, 2, 2.5e7}, {"LX-7000D", 700, 2, 5e7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + std::to_string(c.u) + " V " + std::to_string(c.i) + " A");
        stdmeter::stdState().hVariant = c.h;
        stdmeter::stdState().maxCurrent = c.maxCurrent;
        EXPECT_DOUBLE_EQ(RangeStdConstFor(c.model, c.u, c.i), c.k);
    }
}

TEST_F(RangeRules, RangeStdConstScalingAndClamping) {
    core::state().reviseMode = 2;
    EXPECT_DOUBLE_EQ(RangeStdConstFor("KP8707C-66", 220, 0.001), 8e8 * 100);  // ladder at 0.1 A
    EXPECT_EQ(stdmeter::stdState().smallCurrentFactor, 100);
    EXPECT_DOUBLE_EQ(RangeStdConstFor("KP8707C-66", 220, 0.012), 3.2e8 * 10);  // at 0.12 A
    EXPECT_EQ(stdmeter::stdState().smallCurrentFactor, 10);
    EXPECT_DOUBLE_EQ(RangeStdConstFor("None", 220, 0.001), 2.4e9);
    core::state().reviseMode = 3;
    EXPECT_DOUBLE_EQ(RangeStdConstFor("KP8707C-66", 220, 0.001), 3.2e9);
    EXPECT_EQ(stdmeter::stdState().smallCurrentFactor, 1);
    auto& amp = instruments::amplifier();
    amp.enabled = 1, amp.rangeLimitCurrent = 2, amp.rangeLimitVoltage = 100;
    EXPECT_DOUBLE_EQ(RangeStdConstFor("KP8707C-66", 220, 5), 6.4e7);  // 120 V, 2 A
    EXPECT_EQ(MsVoltageCode(220) + MsCurrentCode("KP8707C-66", 5), "205");
}


TEST_F(RangeRules, HexFrameSourceLadders) {
    CheckLadder({30, 60, 120, 240}, Words("003000 006000 012000 024000 048000"), 1, 0.01, Dd7400VoltageCode);
    CheckLadder({80, 160, 320}, Words("04 03 02 01"), 1, 0.01, GfVoltageCode);
    CheckLadder({100, 1000}, Words("03 01 02"), 0.01, 0.01, GfCurrentCode);
    CheckLadder({10, 50, 100, 500, 1000, 5000}, Words("03 02 01 02 01 02 01"), 0.01, 0.01, GfSubRangeCode);
    CheckLadder({5, 10, 20, 50, 100, 250, 500, 1000, 2500, 5000, 10000, 25000, 50000},
                Words("000005 000010 000020 000050 000100 000250 000500 001000 002500 005000 010000 025000 050000 100000"),
                1e-3, 1e-3, [](double i) { return Tb8700bCurrentCode("TB8700B", i); });
    source::sourceOutput().waveType = 1;
    CheckLadder({200, 1000, 5000, 20000}, Words("000020 000100 000500 002000 010000"), 1e-3, 1e-3,
                [](double i) { return PickDd7400Current("DD7400", i); });
}

TEST_F(RangeRules, HexFrameSourceCodes) {
    // Wave type 0: the DD7400 takes the current itself, in 10 mA, halves to
    // even, within six digits.
    const std::pair<double, const char*> dd[] = {{1.234, "000123"}, {1.235, "000124"}, {1.225, "000122"},
                                                 {0.005, "000000"}, {-3, "000000"},     {1e9, "999999"}};
    for (auto [i, code] : dd) EXPECT_EQ(PickDd7400Current("DD7400", i), code) << i;
    // Only the designation each rule is for gets a current code.
    EXPECT_EQ(PickDd7400Current("TB8760", 5) + PickTb8700bCurrent("DD7400", 5), "");
    EXPECT_EQ(PickVn74Voltage("VN-74", 380) + PickGfVoltage("GF7404A", 57.7), "0004");
    std::string clear, all, sub;
    for (int m : {0, 1, 2, 3, 4, 5, 6, 7, 100, 42}) {
        clear += Vn74ModeCode(m, false) + " ";
        all += Vn74ModeCode(m, true) + " ";
        sub += GfSubRangeCommand(m) + " ";
    }
    EXPECT_EQ(clear, "00 00 08 01 0B 01 0B 0B 0B 00 ");
    EXPECT_EQ(all, "00 00 08 0B 0B 0B 0B 0B 0B 00 ");
    EXPECT_EQ(sub, "31 31 31 32 32 32 32 31 31 31 ");
    // With the external amplifier: at most 1.2 x 100 V and 2 A count.
    auto& amp = instruments::amplifier();
    amp.enabled = 1, amp.rangeLimitVoltage = 100, amp.rangeLimitCurrent = 2;
    EXPECT_EQ(Dd7400VoltageCode(220) + GfVoltageCode(220) + GfCurrentCode(50) + Tb8700bCurrentCode("TB8700B", 50),
              "0120000301002500");
}

TEST(HexFrames, ChecksumsOfA6And02) {
    EXPECT_EQ(FrameA6("A61D0003020003"), "A61D000302000300CB");
    EXPECT_EQ(FrameA6("A6FFFFFFFFFFFFFFFFFF"), "A6FFFFFFFFFFFFFFFFFF099D");  // 16-bit sum, high byte first
    EXPECT_EQ(Frame02("35", "01"), "0208003537018503");
    EXPECT_EQ(Frame02("42", "34"), "0208004237344503");
}

}  // namespace
}  // namespace tbcom::test
