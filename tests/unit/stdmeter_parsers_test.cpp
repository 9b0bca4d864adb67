#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/lifecycle.h"
#include "core/state.h"
#include "kp_meter.h"
#include "stdmeter/parsers.h"
#include "stdmeter/reading_text.h"
#include "stdmeter/std_state.h"

using namespace tbcom::stdmeter;
using tbcom::sim::KpMeter;

namespace {

class ParserTest : public ::testing::Test {
protected:
    void SetUp() override { tbcom::core::processAttach(); }
    void TearDown() override { tbcom::core::processAttach(); }
    // Revise mode 2 scales small currents by `factor`.
    static void smallCurrents(int mode, double factor) {
        tbcom::core::state().reviseMode = mode;
        stdState().smallCurrentFactor = factor;
    }
};

// A KP reply: "D", the fields, and the 7-character trailer whose fourth
// character is `range`.
std::string kpReply(const std::vector<std::string>& fields, char range = '0') {
    std::string r = "D";
    for (auto& f : fields) r += f;
    return r + "000" + range + "00;";
}

std::vector<std::string> kFields(int count, double (*value)(int)) {
    std::vector<std::string> f;
    for (int k = 0; k < count; ++k) f.push_back(KpMeter::EncodeK(value(k)));
    return f;
}

double kPlusHalf(int k) { return k + 0.5; }

TEST_F(ParserTest, KpThreePhaseLayout) {
    const std::string reply = kpReply(kFields(28, kPlusHalf));
    ASSERT_EQ(reply.size(), 316u);
    Parsed p = ParseKpThreePhase(reply);
    ASSERT_EQ(p.status, ParseStatus::Good);
    EXPECT_EQ(p.text,
              "0.5000,1.5000,2.5000,3.5000,4.5000,5.5000,22.50,23.50,24.50,6.5000,7.5000,8.5000,"
              "10.5000,11.5000,12.5000,14.5000,15.5000,16.5000,9.5000,13.5000,17.5000,25.5000,"
              "18.500,19.500,20.500,21.500,26.5000,27.5000");
    std::vector<std::string> f = kFields(28, kPlusHalf);
    f[0] = "A0120001234";   // -12.34
    f[6] = "A1110001234";   // -123.4 x 1000
    f[18] = "E1030000500";  // 0.5 x 0.001
    p = ParseKpThreePhase(kpReply(f));
    EXPECT_EQ(p.text.substr(0, 23), "-12.3400,1.5000,2.5000,");
    EXPECT_NE(p.text.find(",-123400.0000,"), std::string::npos) << p.text;
    EXPECT_NE(p.text.find(",25.5000,0.001,19.500,"), std::string::npos) << p.text;
}

TEST_F(ParserTest, SmallCurrentScalingOnlyWhileReviseModeIsTwo) {
    std::vector<std::string> f = kFields(28, kPlusHalf);
    f[3] = "A0040005000";  // Ia 0.5
    f[0] = "A0040005000";  // Ua 0.5: never scaled
    const std::string reply = kpReply(f);
    smallCurrents(3, 100);
    EXPECT_EQ(ParseKpThreePhase(reply).text.substr(0, 34), "0.5000,1.5000,2.5000,0.5000,4.5000");
    smallCurrents(2, 100);
    Parsed p = ParseKpThreePhase(reply);
    EXPECT_EQ(p.text.substr(0, 47), "0.5000,1.5000,2.5000,0.0050,0.0450,0.0550,22.50");
    // Frequency (field 22) and the power factors stay unscaled.
    EXPECT_NE(p.text.find(",25.5000,18.500,19.500,20.500,21.500,26.5000,27.5000"), std::string::npos) << p.text;
    EXPECT_NE(p.text.find(",0.0650,0.0750,0.0850,"), std::string::npos) << p.text;  // P a b c scaled
}

TEST_F(ParserTest, WrongLengthBadReplyAndBadField) {
    const std::string good = kpReply(kFields(28, kPlusHalf));
    struct { std::string reply; ParseStatus status; std::string text; } cases[] = {
        {good.substr(0, 315), ParseStatus::WrongLength, ""},
        {good + ";", ParseStatus::WrongLength, ""},
        {"RECV_BAD", ParseStatus::Bad, "RECV_BAD"},
        {good.substr(0, 300) + "RECV_BAD", ParseStatus::Bad, "RECV_BAD"},
        {"X" + good.substr(1, 5) + "Q" + good.substr(7), ParseStatus::Bad, "RECV_BAD"},  // mantissa letter
    };
    for (const auto& c : cases) {
        Parsed p = ParseKpThreePhase(c.reply);
        EXPECT_EQ(p.status, c.status) << c.reply.size();
        EXPECT_EQ(p.text, c.text) << c.reply.size();
    }
}

std::vector<std::string> nFields() {
    std::vector<std::string> f;
    for (int k = 0; k < 12; ++k) f.push_back(KpMeter::EncodeN(10 * k + 1.25));
    return f;
}

TEST_F(ParserTest, KpSinglePhaseN) {
    const std::string reply = kpReply(nFields());
    ASSERT_EQ(reply.size(), 140u);
    Parsed p = ParseKpSinglePhaseN(reply);
    ASSERT_EQ(p.status, ParseStatus::Good);
    // U (k0), I (k3), phase angle (k10), k6, k8, k7, k11.
    EXPECT_EQ(p.text, "1.2500,31.2500,101.25,61.2500,81.2500,71.2500,111.2500");

    Parsed milli = ParseKpSinglePhaseN(kpReply(nFields(), '7'));
    // 31.25 / 1000: the tie goes to the even digit.
    EXPECT_EQ(milli.text, "1.2500,0.0312,101.25,61.2500,81.2500,71.2500,111.2500");
    EXPECT_EQ(ParseKpSinglePhaseN(kpReply(nFields(), '6')).text, p.text);

    smallCurrents(2, 10);
    EXPECT_EQ(ParseKpSinglePhaseN(reply).text, "1.2500,3.1250,101.25,6.1250,8.1250,7.1250,111.2500");

    std::vector<std::string> neg = nFields();
    neg[6] = KpMeter::EncodeN(-61.25);
    tbcom::core::state().reviseMode = 3;
    EXPECT_EQ(ParseKpSinglePhaseN(kpReply(neg)).text, "1.2500,31.2500,101.25,-61.2500,81.2500,71.2500,111.2500");

    EXPECT_EQ(ParseKpSinglePhaseN(reply + "0").status, ParseStatus::WrongLength);
    EXPECT_EQ(ParseKpSinglePhaseN("RECV_BAD").status, ParseStatus::Bad);
}

TEST_F(ParserTest, KpSinglePhaseG) {
    std::vector<std::string> f;
    for (int k = 0; k < 12; ++k) f.push_back(KpMeter::EncodeG(10 * k + 1.25));
    f[3] = "G1040005000";  // 0.5 x 0.001 in G
    const std::string reply = kpReply(f, '7');  // the range character means nothing to G
    Parsed p = ParseKpSinglePhaseG(reply);
    ASSERT_EQ(p.status, ParseStatus::Good);
    // U, I, phase angle, then k6, k7, k8 in order.
    EXPECT_EQ(p.text, "1.2500,0.0005,101.25,61.2500,71.2500,81.2500,111.2500");
    EXPECT_EQ(ParseKpSinglePhaseG(reply.substr(1)).status, ParseStatus::WrongLength);
}

// A PLM reply of `fields` comma fields (field n holds n + 0.25 unless
// given), padded to 170 characters.
std::string plmReply(int fields = 26) {
    std::string r = "E";
    for (int n = 2; n <= fields; ++n) r += "," + std::to_string(n) + ".25";
    r += ",";
    r += std::string(170 - r.size(), '0');
    return r;
}

TEST_F(ParserTest, Plm) {
    const std::string reply = plmReply();
    ASSERT_EQ(reply.size(), 170u);
    Parsed p = ParsePlm(reply);
    ASSERT_EQ(p.status, ParseStatus::Good);
    EXPECT_EQ(p.text,
              "2.2500,3.2500,4.2500,6.2500,7.2500,8.2500,10.25,11.25,12.25,15.2500,17.2500,19.2500,"
              "21.2500,23.2500,24.2500,25.2500");
    smallCurrents(2, 100);
    EXPECT_EQ(ParsePlm(reply).text,
              "2.2500,3.2500,4.2500,0.0625,0.0725,0.0825,10.25,11.25,12.25,0.1525,0.1725,0.1925,"
              "21.2500,23.2500,24.2500,25.2500");
    EXPECT_EQ(ParsePlm(reply.substr(0, 169)).status, ParseStatus::WrongLength);
    EXPECT_EQ(ParsePlm("RECV_BAD").status, ParseStatus::Bad);
    std::string broken = reply;
    broken[2] = 'x';  // field 2 no longer a number
    EXPECT_EQ(ParsePlm(broken).status, ParseStatus::Bad);
}

TEST_F(ParserTest, RegisterMeter) {
    // U 0x55F0 = 22000; I at 13: 0x000C3500 = 800000; angle at 37: 0x0BB8 = 3000.
    std::string r(56, '0');
    r.replace(0, 4, "55F0");
    r.replace(12, 8, "000C3500");
    r.replace(36, 4, "0BB8");
    ASSERT_EQ(r.size(), 56u);
    Parsed p = ParseRegisterMeter(r);
    ASSERT_EQ(p.status, ParseStatus::Good);
    EXPECT_EQ(p.text, "220.0000,80.0000,30.00");
    EXPECT_EQ(ParseRegisterMeter(r.substr(0, 52)).status, ParseStatus::WrongLength);
    EXPECT_EQ(ParseRegisterMeter("RECV_BAD").status, ParseStatus::Bad);
    EXPECT_EQ(ParseRegisterMeter("ZZ" + r.substr(2)).status, ParseStatus::Bad);
}

TEST(ParserSelection, RulesInOrderByKindModelAndCaller) {
    EXPECT_EQ(ParserOrder(), (std::vector<std::string>{
                                 "register meter", "KP single-phase N", "KP single-phase N", "KP single-phase G", "TB8700B",
                                 "DD7400", "PLM", "LX-7000", "LX-7000C", "LX-9700", "VN-74", "TORVA", "pass-through",
                                 "TB8760", "GF7400", "WB412E", "WB412I", "KP three-phase"}));
    constexpr ParserUse R = ParserUse::Read, D = ParserUse::Direct, V = ParserUse::VoltCur;
    struct { int kind; const char* model; bool h; ParserUse use; const char* parser; } cases[] = {
        {1, "PLM 600.7", false, R, "register meter"}, {2, "KP8707C-66", false, R, "KP single-phase N"},
        {2, "KP8404C-67", true, R, "KP single-phase N"}, {5, "MGV466-06", false, R, "KP single-phase N"},
        {5, "KP8404C-67_K6", false, R, "KP single-phase N"}, {6, "MGV466-06", true, R, "KP single-phase G"},
        {5, "KP8404C-66", false, R, "KP three-phase"}, {5, "KP8707C-66", true, R, "KP three-phase"},
        {5, "ZAK-K6009", false, D, "PLM"},           {5, "VN-74", false, V, "KP three-phase"},
        {5, "WB412U", false, R, "pass-through"},     {5, "GF7404A", false, R, "GF7404A"},
        {5, "WB412E-1S2", false, D, "KP three-phase"}, {5, "plm 600.7", false, R, "KP three-phase"},  // case-sensitive
    };
    for (const auto& c : cases) EXPECT_STREQ(SelectParser(c.kind, c.model, c.h, c.use).name, c.parser) << c.model << c.kind;
}

TEST(ParserSelection, FrameListsWithoutTheirFramesAndPassThrough) {
    EXPECT_EQ(SelectParser(5, "DD7400", false, ParserUse::Read).parse("anything").status, ParseStatus::WrongLength);
    // The request word "GF7400" re-lays a TB8760 reading, for StdMeter_Read only.
    EXPECT_STREQ(SelectParser(5, "TB8760", false, ParserUse::Read, "GF7400").name, "TB8760 as GF7400");
    EXPECT_STREQ(SelectParser(5, "TB8760", false, ParserUse::Direct, "GF7400").name, "TB8760");
    Parsed p = SelectParser(5, "WB412U", false, ParserUse::Read).parse("0102ABCD");
    EXPECT_EQ(p.status, ParseStatus::Good);
    EXPECT_EQ(p.text, "0102ABCD");
    EXPECT_EQ(PassThrough("xxRECV_BADxx").status, ParseStatus::Bad);
}

}  // namespace
