#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/posix/ini_file.h"

using tbcom::platform::posix::IniLookup;
using tbcom::platform::posix::IniUpdate;

namespace {

// want nullptr: not found
const struct { const char *name, *text, *section, *key, *want; } kLookups[] = {
    {"empty text", "", "S", "k", nullptr},
    {"plain", "[S]\nk=v\n", "S", "k", "v"},
    {"missing key", "[S]\nother=v\n", "S", "k", nullptr},
    {"section case", "[jiaoduxz]\nk=v\n", "JIAODUXZ", "k", "v"},
    {"key case", "[S]\nAngleA=12.5\n", "s", "ANGLEA", "12.5"},
    {"blanks trimmed", "  [ S ]  \n  k  =  v w  \n", "S", "k", "v w"},
    {"value with equals", "[S]\nk=a=b\n", "S", "k", "a=b"},
    {"comment is no entry", "[S]\n;k=old\n", "S", "k", nullptr},
    {"first of two entries", "[S]\nk=1\nk=2\n", "S", "k", "1"},
    {"gbk bytes kept", "[S]\nk=\xB4\xED\xCE\xF3\n", "S", "k", "\xB4\xED\xCE\xF3"},
};

TEST(IniLookup, FindsValue) {
    for (const auto& c : kLookups)
        EXPECT_EQ(IniLookup(c.text, c.section, c.key), c.want ? std::optional<std::string>(c.want) : std::nullopt)
            << c.name;
}

const struct { const char *name, *before, *section, *key, *value, *after; } kUpdates[] = {
    {"missing file", "", "S", "k", "v", "[S]\nk=v\n"},
    {"new section at end", "[A]\na=1\n", "S", "k", "v", "[A]\na=1\n[S]\nk=v\n"},
    {"new key at end of its section", "[S]\na=1\n[T]\nb=2\n", "S", "k", "v", "[S]\na=1\nk=v\n[T]\nb=2\n"},
    {"new key before blank separator", "[S]\na=1\n\n[T]\n", "S", "k", "v", "[S]\na=1\nk=v\n\n[T]\n"},
    {"new key in last section without line end", "[S]\na=1", "S", "k", "v", "[S]\na=1\nk=v\n"},
    {"replace in place", "[S]\na=1\nk=old\nb=2\n", "S", "k", "new", "[S]\na=1\nk=new\nb=2\n"},
    {"replace keeps key spelling", "[S]\n  Key = old\n", "s", "KEY", "new", "[S]\nKey=new\n"},
    {"replace keeps crlf", "[S]\r\nk=old\r\nb=2\r\n", "S", "k", "new", "[S]\r\nk=new\r\nb=2\r\n"},
    {"commented key is not replaced", "[S]\n;k=1\n", "S", "k", "2", "[S]\n;k=1\nk=2\n"},
    {"value trimmed", "", "S", " k ", " v ", "[S]\nk=v\n"},
};

TEST(IniUpdate, WritesValue) {
    for (const auto& c : kUpdates) EXPECT_EQ(IniUpdate(c.before, c.section, c.key, c.value), c.after) << c.name;
}

TEST(IniUpdate, RepeatedWritesKeepOneEntry) {
    std::string text;
    for (int i = 0; i < 3; ++i) text = IniUpdate(text, "20261206", "093015", "call " + std::to_string(i));
    text = IniUpdate(text, "20261206", "093016", "next");
    EXPECT_EQ(text, "[20261206]\n093015=call 2\n093016=next\n");
}

}  // namespace
