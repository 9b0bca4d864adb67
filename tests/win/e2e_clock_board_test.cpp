// End-to-end clock and function-board scenarios of the Windows host: the
// simulator's meter 1 has a clock running 0.5 s/day fast (--clock 1:0.5 in
// scripts/test-windows.sh).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "e2e_library.h"

namespace tbcom::e2e {
namespace {

class HostClockBoardTest : public ::testing::Test {
protected:
    void SetUp() override { lib = std::make_unique<Library>(); }
    void TearDown() override { lib.reset(); }

    // Runs `read` into a fresh buffer; the text, and the result in `ok`.
    template <class F>
    std::string text(bool& ok, F read) {
        char buf[128] = "unwritten";
        char* p = buf;
        ok = read(&p) == 1;
        return buf;
    }

    std::unique_ptr<Library> lib;
    const std::uint8_t port = BenchPort();
};

TEST_F(HostClockBoardTest, ClockUnitMeasuresTheFastMeterClock) {
    auto status = TBCOM_FN(*lib, Clock_Test_Read);
    auto counts = TBCOM_FN(*lib, Clock_Test_ReadL);
    ASSERT_EQ(TBCOM_FN(*lib, SetRefClock)(1, port), 1);
    const double t0 = TickSeconds();
    ASSERT_EQ(TBCOM_FN(*lib, Clock_Test_StartL)(1.0, 4, port), 1);
    // Four pulses of a 1 Hz clock close the gate after about 4 s.
    bool ok = false;
    std::string s;
    do {
        Sleep(200);
        s = text(ok, [&](char** p) { return status(p, port); });
        ASSERT_TRUE(ok) << s;
    } while (s.rfind("1,", 0) != 0 && TickSeconds() - t0 < 8);
    ASSERT_EQ(s.substr(0, 2), "1,") << s;
    EXPECT_GT(TickSeconds() - t0, 3.8);
    // 5 MHz over 4 s resolves 0.004 s/day: the hundredths are exact.
    EXPECT_EQ(text(ok, [&](char** p) { return counts(p, 1.0, 1, port); }), "+0.50");
    EXPECT_TRUE(ok);
    EXPECT_EQ(TBCOM_FN(*lib, Clock_Test_Stop)(port), 1);
    EXPECT_EQ(TBCOM_FN(*lib, SetRefClock)(2, port), 1);
}

TEST_F(HostClockBoardTest, Rs485StateOfAFunctionBoardIsSetAndReadBack) {
    auto get = TBCOM_FN(*lib, GetRS485On);
    auto set = TBCOM_FN(*lib, SetRS485On);
    bool ok = false;
    ASSERT_EQ(set(3, 1, port), 1);
    EXPECT_EQ(text(ok, [&](char** p) { return get(p, 3, port); }), "1");
    EXPECT_TRUE(ok);
    EXPECT_EQ(text(ok, [&](char** p) { return get(p, 1, port); }), "0");  // only position 3 switched
    ASSERT_EQ(set(3, 0, port), 1);
    EXPECT_EQ(text(ok, [&](char** p) { return get(p, 3, port); }), "0");
    // No unit has such a position: nothing is sent and the buffer stays.
    EXPECT_EQ(set(200, 1, port), 0);
    EXPECT_EQ(text(ok, [&](char** p) { return get(p, 200, port); }), "unwritten");
    EXPECT_FALSE(ok);
}

}  // namespace
}  // namespace tbcom::e2e
