#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "stdmeter/kind.h"
#include "stdmeter/number_formats.h"

using namespace tbcom::stdmeter;

namespace {

TEST(KpNumberFormats, KAndGDifferOnlyInTheFactorOfCharacterTwo) {
    const struct { const char* field; std::optional<double> k, g; } cases[] = {
        {"A0120001234", -12.34, -12.34},  // negative, two decimals
        {"A0000123456", 123456, 123456},  // no decimals
        {"E1020001234", 0.01234, 12.34},  // E: x0.001 in K only
        {"F1120001234", -0.01234, -12.34},
        {"A1020001234", 12340, 12.34},    // other letter: x1000 in K only
        {"G1020001234", 12340, 0.01234},  // G: x0.001 in G only
        {"A002000123", std::nullopt, std::nullopt},   // one character short
        {"A00X0001234", std::nullopt, std::nullopt},  // decimals not a digit
        {"A0020001 34", std::nullopt, std::nullopt},  // blank in the mantissa
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        auto k = DecodeK(c.field);
        auto g = DecodeG(c.field);
        ASSERT_EQ(k.has_value(), c.k.has_value());
        ASSERT_EQ(g.has_value(), c.g.has_value());
        if (c.k) EXPECT_NEAR(*k, *c.k, std::fabs(*c.k) * 1e-12);
        if (c.g) EXPECT_NEAR(*g, *c.g, std::fabs(*c.g) * 1e-12);
    }
}

TEST(KpNumberFormats, NAndFieldPositions) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"+n12345", -1.2345}, {"-0002200000", 220.0}, {"+0000000000", 0.0}, {"+n", std::nullopt}, {"+12a45", std::nullopt},
    };
    for (const auto& [field, v] : cases) {
        auto got = DecodeN(field);
        ASSERT_EQ(got.has_value(), v.has_value()) << field;
        if (v) EXPECT_DOUBLE_EQ(*got, *v) << field;
    }
    std::string reply = "D";
    for (int k = 0; k < 3; ++k) reply += std::string(11, static_cast<char>('a' + k));
    EXPECT_EQ(KpField(reply, 2), std::string(11, 'c'));
    EXPECT_EQ(KpField(reply, 3), "");                // past the end
    EXPECT_EQ(KpField(reply.substr(0, 33), 2), "");  // field cut short
}

TEST(KindRegister, Decoding) {
    const struct { const char* hex; bool ok; int kind; double max; } cases[] = {
        {"0712", true, 5, 180}, {"0A10", true, 1, 160}, {"00FF", true, 0, 2550},
        {"061G", false, 0, 0},  {"06", false, 0, 0},    {"071200", false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hex);
        auto r = DecodeKindRegister(c.hex);
        ASSERT_EQ(r.has_value(), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(r->kind, c.kind);
        EXPECT_DOUBLE_EQ(r->maxCurrent, c.max);
    }
}

}  // namespace
