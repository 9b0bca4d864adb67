// Review cases of the shared helpers: numbers, hex, CT rules, KP range byte (the
// VN-74 port texts are rows of ModelNormalise.Vn74PortNumber).
#include <gtest/gtest.h>

#include "core/lifecycle.h"
#include "core/numbers.h"
#include "instruments/amplifier.h"
#include "kp_meter.h"
#include "stdmeter/parsers.h"
#include "tbcom.h"

using namespace tbcom;

TEST(ReviewCases, SharedHelpers) {
    for (const char* t : {"nan", "NAN", "-inf", "+Infinity"}) EXPECT_FALSE(core::TryTextToFloat(t)) << t;
    std::string value = "[0;720]=nan", bound = "[0;inf]=5", plm = "E,NAN";
    EXPECT_EQ(instruments::RuleValue(value, "", 5) + instruments::RuleValue(bound, "", 5), 101);  // 1.0, 100
    for (int n = 3; n <= 26; ++n) plm += ",1.5";
    plm.append(",").resize(170, '0');
    EXPECT_EQ(stdmeter::ParsePlm(plm).status, stdmeter::ParseStatus::Bad);
    EXPECT_EQ(core::SignedHex("8000000000000000", 8), INT64_C(0x7FFFFFFFFFFFFF00));  // v - 2^8
    EXPECT_THROW(core::SignedHex("FFFFFFFFFFFFFFFF", 8), core::ConversionError);
    core::processAttach();
    ASSERT_EQ(Set_VeraZudu_CT_Para("[0;5]=7"), 1);
    for (const char* bad : {"abc", ",", ""})
        EXPECT_EQ(Set_VeraZudu_CT_Para(bad) + Set_VeraZudu_CT_Display_Para(bad), 0) << bad;
    EXPECT_EQ(instruments::amplifier().ctRule, "[0;5]=7");
    EXPECT_EQ(Set_VeraZudu_CT_Para("[0;5]=7,abc"), 1);  // an item without "=" is skipped
    core::processAttach();
    std::string reply = "D";
    for (int k = 0; k < 12; ++k) reply += sim::KpMeter::EncodeN(10 * k + 1.25);
    const std::string milli = stdmeter::ParseKpSinglePhaseN(reply + "000700;").text;
    EXPECT_EQ(stdmeter::ParseKpSinglePhaseN(reply + "000\x80" "00;").text, milli);  // 0x80 is above "6"
    EXPECT_NE(stdmeter::ParseKpSinglePhaseN(reply + "000000;").text, milli);
}
