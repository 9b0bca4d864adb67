#include <gtest/gtest.h>

#include "platform/posix/ini_file.h"

TEST(ReviewCases, IniEntryAfterABareCr) {
    EXPECT_EQ(tbcom::platform::posix::IniUpdate("[s]\na=1\r", "s", "b", "2"), "[s]\na=1\r\nb=2\n");
}
