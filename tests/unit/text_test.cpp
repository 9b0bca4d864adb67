#include <gtest/gtest.h>

#include <string>

#include "core/text.h"

using namespace tbcom::core;

namespace {

TEST(TextFields, CommaAndMultiCharacterSeparators) {
    const struct { const char* text; int n; const char* want; } cases[] = {
        {"9600,n,8,1", 4, "1"}, {"9600,n,8,1", 5, ""}, {"a,,c", 2, ""}, {"abc", 1, "abc"},
        {",x", 1, ""},          {"x,", 2, ""},         {"x,", 3, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(CommaField(c.text, c.n), c.want) << c.text << " field " << c.n;
    const char* multi[] = {"a", "b;c", "d", ""};
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(SepField("a;;b;c;;d", ";;", n), multi[n - 1]) << n;
    EXPECT_EQ(SepField("[0;10]", "=", 2), "");
}

TEST(TextPos, FromOneZeroWhenAbsent) {
    const struct {
        const char *text, *part;
        int want;
    } cases[] = {{"abcabc", "ca", 3}, {"abcabc", "a", 1}, {"abcabc", "x", 0}, {"ab", "abc", 0}};
    for (const auto& c : cases) EXPECT_EQ(TextPos(c.text, c.part), c.want) << c.part;
    EXPECT_TRUE(Contains("xxRECV_BADyy", "RECV_BAD"));
    EXPECT_FALSE(Contains("RECV_BA", "RECV_BAD"));
}

TEST(LeftRightMid, CountsClampedToTheText) {
    const std::pair<std::string, std::string> cases[] = {
        {LeftText("abcdef", 3), "abc"},    {LeftText("abcdef", -2), ""},    {LeftText("abcdef", 10), "abcdef"},
        {RightText("abcdef", 10), "abcdef"}, {MidText("abcdef", 2, 3), "bcd"}, {MidText("abcdef", 5, 10), "ef"},
        {MidText("abcdef", 7, 1), ""},     {MidText("abcdef", 0, 2), "ab"},  // a start below 1 counts from the first
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
}

TEST(Trim, BlanksAndControlCharacters) {
    const std::pair<const char*, const char*> cases[] = {
        {"  a b \t", "a b"}, {"\r\n-125\r\n", "-125"}, {"   ", ""}};
    for (const auto& [text, want] : cases) EXPECT_EQ(Trim(text), want) << text;
}

TEST(UpperAscii, AsciiLettersOnlyAndGbkUntouched) {
    // "[无]" in GBK is 0xCE 0xDE; a trail byte in 'a'..'z' (0x81 0x61) must not
    // become 0x81 0x41; a lead byte at the very end has no trail byte to protect.
    const std::pair<std::string, std::string> cases[] = {
        {"Az{}`@", "AZ{}`@"}, {"[\xCE\xDE]", "[\xCE\xDE]"}, {"a\x81\x61z", "A\x81\x61Z"}, {"x\x81", "X\x81"},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(UpperAscii(text), want) << text;
}

}  // namespace
