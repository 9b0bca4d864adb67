#include <gtest/gtest.h>

#include <string>

#include "core/text.h"

using namespace tbcom::core;

namespace {

struct FieldCase {
    const char* text;
    int n;
    const char* want;
};

TEST(CommaField, Table) {
    const FieldCase cases[] = {
        {"9600,n,8,1", 1, "9600"}, {"9600,n,8,1", 2, "n"}, {"9600,n,8,1", 4, "1"},
        {"9600,n,8,1", 5, ""},     {"a,,c", 1, "a"},       {"a,,c", 2, ""},
        {"a,,c", 3, "c"},          {"a,,c", 4, ""},        {"", 1, ""},
        {"abc", 1, "abc"},         {"abc", 2, ""},         {",x", 1, ""},
        {",x", 2, "x"},            {"x,", 2, ""},          {"x,", 3, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(CommaField(c.text, c.n), c.want) << c.text << " field " << c.n;
}

TEST(SepField, MultiCharacterSeparator) {
    EXPECT_EQ(SepField("a;;b;c;;d", ";;", 1), "a");
    EXPECT_EQ(SepField("a;;b;c;;d", ";;", 2), "b;c");
    EXPECT_EQ(SepField("a;;b;c;;d", ";;", 3), "d");
    EXPECT_EQ(SepField("a;;b;c;;d", ";;", 4), "");
    EXPECT_EQ(SepField("[0;10]=5", "=", 2), "5");
    EXPECT_EQ(SepField("[0;10]", "=", 2), "");
}

TEST(TextPos, FromOneZeroWhenAbsent) {
    EXPECT_EQ(TextPos("abcabc", "ca"), 3);
    EXPECT_EQ(TextPos("abcabc", "a"), 1);
    EXPECT_EQ(TextPos("abcabc", "bc"), 2);
    EXPECT_EQ(TextPos("abcabc", "x"), 0);
    EXPECT_EQ(TextPos("ab", "abc"), 0);
    EXPECT_EQ(TextPos("KP8707C-66", "8707C"), 3);
}

TEST(LeftRightMid, Table) {
    EXPECT_EQ(LeftText("abcdef", 3), "abc");
    EXPECT_EQ(LeftText("abcdef", 0), "");
    EXPECT_EQ(LeftText("abcdef", -2), "");
    EXPECT_EQ(LeftText("abcdef", 10), "abcdef");
    EXPECT_EQ(RightText("abcdef", 2), "ef");
    EXPECT_EQ(RightText("abcdef", 0), "");
    EXPECT_EQ(RightText("abcdef", 10), "abcdef");
    EXPECT_EQ(MidText("abcdef", 2, 3), "bcd");
    EXPECT_EQ(MidText("abcdef", 5, 10), "ef");
    EXPECT_EQ(MidText("abcdef", 6, 1), "f");
    EXPECT_EQ(MidText("abcdef", 7, 1), "");
    EXPECT_EQ(MidText("abcdef", 0, 2), "ab");  // a start below 1 counts from the first character
    EXPECT_EQ(MidText("abcdef", 2, 0), "");
}

TEST(Trim, BlanksAndControlCharacters) {
    EXPECT_EQ(Trim("  a b \t"), "a b");
    EXPECT_EQ(Trim("\r\n-125\r\n"), "-125");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim("x"), "x");
}

TEST(UpperAscii, AsciiLettersOnly) {
    EXPECT_EQ(UpperAscii("kp8707c-66"), "KP8707C-66");
    EXPECT_EQ(UpperAscii("n"), "N");
    EXPECT_EQ(UpperAscii("Az{}`@"), "AZ{}`@");
}

TEST(UpperAscii, GbkCharactersUntouched) {
    // "[无]" in GBK: 0xCE 0xDE; and a double-byte character whose trail byte
    // lies in 'a'..'z' (0x81 0x61), which must not become 0x81 0x41.
    const std::string none = "[\xCE\xDE]";
    EXPECT_EQ(UpperAscii(none), none);
    EXPECT_EQ(UpperAscii("a\x81\x61z"), "A\x81\x61Z");
    EXPECT_EQ(UpperAscii("\xB4\x7A" "b"), "\xB4\x7A" "B");
    // A lead byte at the very end has no trail byte to protect.
    EXPECT_EQ(UpperAscii("x\x81"), "X\x81");
}

TEST(Contains, Basic) {
    EXPECT_TRUE(Contains("xxRECV_BADyy", "RECV_BAD"));
    EXPECT_FALSE(Contains("RECV_BA", "RECV_BAD"));
}

}  // namespace
