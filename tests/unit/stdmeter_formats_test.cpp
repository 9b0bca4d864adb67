#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "kp_meter.h"
#include "stdmeter/kind.h"
#include "stdmeter/number_formats.h"

using namespace tbcom::stdmeter;

namespace {

struct FormatCase {
    const char* field;
    std::optional<double> k, g;
};

// K and G differ only in the factor of character 2.
const FormatCase kKgCases[] = {
    {"A0120001234", -12.34, -12.34},     // negative, two decimals
    {"A0020001234", 12.34, 12.34},
    {"A0000123456", 123456, 123456},     // no decimals
    {"A0060123456", 0.123456, 0.123456},
    {"E1020001234", 0.01234, 12.34},     // E: x0.001 in K only
    {"D1020001234", 0.01234, 12.34},
    {"F1120001234", -0.01234, -12.34},
    {"A1020001234", 12340, 12.34},       // other letter: x1000 in K only
    {"G1020001234", 12340, 0.01234},     // G: x0.001 in G only
    {"H1020001234", 12340, 0.01234},
    {"I1020001234", 12340, 0.01234},
    {"A002000123", std::nullopt, std::nullopt},   // one character short
    {"A00X0001234", std::nullopt, std::nullopt},  // decimals not a digit
    {"A0020001 34", std::nullopt, std::nullopt},  // blank in the mantissa
    {"", std::nullopt, std::nullopt},
};

TEST(KpNumberFormats, KAndGTable) {
    for (const auto& c : kKgCases) {
        SCOPED_TRACE(c.field);
        auto k = DecodeK(c.field);
        auto g = DecodeG(c.field);
        ASSERT_EQ(k.has_value(), c.k.has_value());
        ASSERT_EQ(g.has_value(), c.g.has_value());
        if (c.k) EXPECT_NEAR(*k, *c.k, std::fabs(*c.k) * 1e-12);
        if (c.g) EXPECT_NEAR(*g, *c.g, std::fabs(*c.g) * 1e-12);
    }
}

TEST(KpNumberFormats, NTable) {
    struct {
        const char* field;
        std::optional<double> v;
    } cases[] = {
        {"+n12345", -1.2345},   {"+0012345", 1.2345}, {"+0002200000", 220.0}, {"-0002200000", 220.0},
        {"+n000050000", -5.0},  {"+0000000000", 0.0}, {"+n", std::nullopt},    {"+12a45", std::nullopt},
        {"+", std::nullopt},    {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        auto v = DecodeN(c.field);
        ASSERT_EQ(v.has_value(), c.v.has_value());
        if (c.v) EXPECT_DOUBLE_EQ(*v, *c.v);
    }
}

TEST(KpNumberFormats, FieldPositions) {
    std::string reply = "D";
    for (int k = 0; k < 3; ++k) reply += std::string(11, static_cast<char>('a' + k));
    EXPECT_EQ(KpField(reply, 0), std::string(11, 'a'));
    EXPECT_EQ(KpField(reply, 2), std::string(11, 'c'));
    EXPECT_EQ(KpField(reply, 3), "");  // past the end
    EXPECT_EQ(KpField(reply.substr(0, 33), 2), "");  // field cut short
}

// The simulated meter's encoders and the decoders agree over the range a
// bench shows, including negative and very small values.
TEST(KpNumberFormats, SimulatedEncodersRoundTrip) {
    const double values[] = {0, 220, 57.735, 5, 0.5, -12.34, 1100.25, 359.99, 0.0005, -0.0002, 1.5e6, -3.3e6};
    for (double v : values) {
        SCOPED_TRACE(v);
        const std::string k = tbcom::sim::KpMeter::EncodeK(v);
        const std::string g = tbcom::sim::KpMeter::EncodeG(v);
        const std::string n = tbcom::sim::KpMeter::EncodeN(v);
        ASSERT_EQ(k.size(), 11u);
        const double tol = std::max(std::fabs(v) * 1e-5, 1e-7);
        EXPECT_NEAR(*DecodeK(k), v, tol);
        if (std::fabs(v) < 999999) {
            ASSERT_EQ(g.size(), 11u);
            EXPECT_NEAR(*DecodeG(g), v, tol);
        }
        if (std::fabs(v) < 1e5) {
            ASSERT_EQ(n.size(), 11u);
            EXPECT_NEAR(*DecodeN(n), v, 0.00005);
        }
    }
}

TEST(KindRegister, Decoding) {
    struct {
        const char* hex;
        bool ok;
        int kind;
        double max;
    } cases[] = {
        {"0712", true, 5, 180}, {"0564", true, 5, 1000}, {"0614", true, 6, 200}, {"0114", true, 1, 200},
        {"0214", true, 2, 200}, {"0A10", true, 1, 160},  {"00FF", true, 0, 2550}, {"061G", false, 0, 0},
        {"06", false, 0, 0},    {"071200", false, 0, 0},
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
