#include <gtest/gtest.h>

#include "core/numbers.h"

using namespace tbcom::core;

TEST(RoundToResolution, Examples) {
    EXPECT_EQ(RoundToResolution(0.1, 12.3456), "+12.35");
    EXPECT_EQ(RoundToResolution(0.1, -0.004), "-0.00");
    EXPECT_EQ(RoundToResolution(0.1, 0.125), "+0.12");
    EXPECT_EQ(RoundToResolution(3, 1.234), "+1.2");
    EXPECT_EQ(RoundToResolution(0.1, 0), "+0.00");
}
