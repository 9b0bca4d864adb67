// Frame completion rules and HDLC framing of the meter port, on bytes alone.
#include <gtest/gtest.h>

#include "core/numbers.h"
#include "metercomm/frame_rules.h"
#include "metercomm/hdlc_frame.h"

namespace tbcom::metercomm {
namespace {

std::string B(const char* hex) {
    std::string out, clean;
    for (const char* p = hex; *p; ++p)
        if (*p != ' ') clean += *p;
    core::HexToBytes(clean, out);
    return out;
}
std::string H(const std::string& bytes) { return core::BytesToHex(bytes); }

TEST(HdlcFraming, CheckSequenceAndFrames) {
    EXPECT_EQ(HdlcFcs("123456789"), 0x906E);
    // Control only: format byte 8, (1 + 16) * 2 + 1 = 0x23, no HCS.
    EXPECT_EQ(H(*BuildHdlcFrame(B("93"), {1, 0, 0x21})), "7EA00800232193CB5D7E");
    // With information: HCS over format .. control, then the field, then FCS.
    EXPECT_EQ(H(*BuildHdlcFrame(B("10E6E600"), {1, 2, 0x21})), "7EA00D022321107AF4E6E60046AD7E");
    // Longer than 255: the length goes on in the format field's low bits.
    const auto big = BuildHdlcFrame(std::string(301, '\x10'), {1, 2, 0x21});
    ASSERT_TRUE(big);
    EXPECT_EQ(H(big->substr(0, 3)), "7EA136");
    EXPECT_EQ(big->size(), 0x136u + 2);
    EXPECT_FALSE(BuildHdlcFrame("", {1, 2, 0x21}));
    EXPECT_EQ(BuildHdlcFrame(std::string(2038, '\x10'), {1, 2, 0x21})->substr(1, 2), "\xA7\xFF");
    EXPECT_FALSE(BuildHdlcFrame(std::string(2039, '\x10'), {1, 2, 0x21}));
}

TEST(DltRule, DelimitsFrames) {
    // after: what the rule leaves held.
    const struct { const char* held; int mode; FrameState state; const char* after; } cases[] = {
        // "16" in the data (and across bytes in 41 63) opens the test early,
        // but L + 12 = 20 bytes are still needed.
        {"FE680100000000006891081633", kMode645, FrameState::More, "680100000000006891081633"},
        {"FE680100000000006891084163A3", kMode645, FrameState::More, "680100000000006891084163A3"},
        // One byte short of L + 12.
        {"680100000000006891081633333333333333A5", kMode645, FrameState::More, "680100000000006891081633333333333333A5"},
        // Bytes after the frame stay at its end.
        {"680100000000006891083333343334353637A516AA55", kMode645, FrameState::Done,
         "680100000000006891083333343334353637A516AA55"},
        // A 68 only across two bytes (F6 8F): everything goes.
        {"F68F16", kMode645, FrameState::More, ""},
        // 698: length 0x0034 = 52, complete at 52 / 4 + 8 = 21 bytes, not 54;
        // one byte short it is not.
        {"683400430500000000000210AAAA16000000000000", kMode698, FrameState::Done,
         "683400430500000000000210AAAA16000000000000"},
        {"683400430500000000000210AAAA160000000000", kMode698, FrameState::More,
         "683400430500000000000210AAAA160000000000"},
    };
    for (const auto& c : cases) {
        std::string held = B(c.held);
        EXPECT_EQ(DltRule(held, c.mode).state, c.state) << c.held;
        EXPECT_EQ(H(held), c.after) << c.held;
    }
}

TEST(OtherRules, LeadingBytesAndProgress) {
    // Up to the first 7E goes once 10 bytes are held; L + 2 = 10 completes.
    std::string held = B("00117EA00800232193CB5D7E");
    EXPECT_EQ(HdlcRule(held).state, FrameState::Done);
    EXPECT_EQ(H(held), "7EA00800232193CB5D7E");
    // Noise before a sign-on is no progress (it cannot restart the silence
    // limit); the sign-on is.
    std::string noise = "xx\r\n", signOn = "/AB";
    EXPECT_EQ(IdentificationRule(noise).state, FrameState::More);
    EXPECT_EQ(IdentificationRule(noise).progress, 0u);
    EXPECT_EQ(IdentificationRule(signOn).progress, 3u);
}

}  // namespace
}  // namespace tbcom::metercomm
