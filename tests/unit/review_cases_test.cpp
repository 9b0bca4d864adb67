// Edge cases of the shared helpers found in review: what is a number, the hex
// helpers, model texts, CT rules and unsigned character compares.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/lifecycle.h"
#include "core/numbers.h"
#include "instruments/amplifier.h"
#include "kp_meter.h"
#include "stdmeter/model.h"
#include "stdmeter/parsers.h"
#include "tbcom.h"

namespace {

using namespace tbcom;

TEST(ReviewCases, NanAndInfinityAreNoNumbers) {
    for (const char* t : {"nan", "NAN", "inf", "-inf", "+Infinity", " infinity"})
        EXPECT_FALSE(core::TryTextToFloat(t)) << t;
    EXPECT_EQ(core::TryTextToFloat(" -.5e1 "), -5.0);
    std::string value = "[0;720]=nan", bound = "[0;inf]=5";
    EXPECT_EQ(instruments::RuleValue(value, "", 5), 1.0);  // a value that is no number
    EXPECT_EQ(instruments::RuleValue(bound, "", 5), 100);  // upper bound -999999: no interval holds 5
    std::string plm = "E";
    for (int n = 2; n <= 26; ++n) plm += n == 2 ? ",NAN" : ",1.5";
    plm += ",";
    plm += std::string(170 - plm.size(), '0');
    EXPECT_EQ(stdmeter::ParsePlm(plm).status, stdmeter::ParseStatus::Bad);  // falls back to the last text
}

TEST(ReviewCases, HexHelpers) {
    EXPECT_THROW(core::HexByteSum("0G"), core::ConversionError);
    EXPECT_THROW(core::HexComplementInsert("0G"), core::ConversionError);
    EXPECT_EQ(core::HexComplementInsert(""), "FF");
    EXPECT_EQ(core::SignedHex("8000000000000000", 8), INT64_C(0x7FFFFFFFFFFFFF00));  // v - 2^8
    EXPECT_THROW(core::SignedHex("FFFFFFFFFFFFFFFF", 8), core::ConversionError);
    EXPECT_EQ(core::SignedHex("FFFFFFFF", 32), -1);
}

TEST(ReviewCases, Vn74PortNumberIs32Bit) {
    const std::pair<const char*, int> cases[] = {{"VN-74,300", 300}, {"vn74,70000", 70000}, {"VN-74,9999999999", 2}};
    for (auto [text, port] : cases) EXPECT_EQ(stdmeter::NormaliseModel(text, 5, 100).vn74Port, port) << text;
}

TEST(ReviewCases, CtRuleTextWithoutAnyIntervalIsRefused) {
    core::processAttach();
    ASSERT_EQ(Set_VeraZudu_CT_Para("[0;5]=7"), 1);
    for (const char* bad : {"abc", ",", ""}) {
        EXPECT_EQ(Set_VeraZudu_CT_Para(bad), 0) << bad;
        EXPECT_EQ(Set_VeraZudu_CT_Display_Para(bad), 0) << bad;
    }
    EXPECT_EQ(instruments::amplifier().ctRule, "[0;5]=7");
    EXPECT_EQ(Set_VeraZudu_CT_Para("[0;5]=7,abc"), 1);  // an item without "=" is skipped
    core::processAttach();
}

TEST(ReviewCases, KpRangeCharacterComparedUnsigned) {
    std::string reply = "D";
    for (int k = 0; k < 12; ++k) reply += sim::KpMeter::EncodeN(10 * k + 1.25);
    const std::string milli = stdmeter::ParseKpSinglePhaseN(reply + "000700;").text;
    EXPECT_EQ(stdmeter::ParseKpSinglePhaseN(reply + "000\x80" "00;").text, milli);  // 0x80 is above "6"
    EXPECT_NE(stdmeter::ParseKpSinglePhaseN(reply + "000000;").text, milli);
}

}  // namespace
