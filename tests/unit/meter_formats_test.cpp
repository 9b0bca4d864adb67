#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/numbers.h"
#include "dd7400_meter.h"
#include "stdmeter/meter_formats.h"

using namespace tbcom::stdmeter;

namespace {

TEST(MeterFormats, DecodersOnTheirExamples) {
    using Dec = std::optional<double> (*)(std::string_view, std::size_t);
    // D: exponent sign, exponent, value sign, digits (12 x 10^6 / 10^6; nine characters; not a digit).
    // VN float FF400000: exponent -1, fraction one half. Hex32: low word first (0x00211C00).
    const struct { Dec decode; const char* text; std::optional<double> value; } cases[] = {
        {DAt, "0312345678", -2345.678}, {DAt, "1312345678", -0.002345678}, {DAt, "0600000012", 12},
        {DAt, "031234567", std::nullopt}, {DAt, "03123456A8", std::nullopt},
        {VnFloatAt, "00000000", 1.0}, {VnFloatAt, "01000000", 2.0}, {VnFloatAt, "00800000", -1.0}, {VnFloatAt, "FF400000", 0.75},
        {Hex32At, "1C000021", 2169856}, {Hex32At, "FFFFFFFF", -1}, {Hex32At, "1C00002", std::nullopt},
        {R16At, "FF38", 65336}, {S16At, "FF38", -200}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto v = c.decode(c.text, 1);
        ASSERT_EQ(v.has_value(), c.value.has_value());
        if (c.value) EXPECT_NEAR(*v, *c.value, 1e-12);
    }
    // The LX voltage: 216.9856 is stored as 216.99 through its text.
    EXPECT_DOUBLE_EQ(RoundedThroughText(*Hex32At("1C000021", 1) / 10000, 2), 216.99);
}

TEST(MeterFormats, SimulatedDFieldsDecodeToTheirValues) {
    for (double v : {0.0, 220.0, -2345.678, 0.002345678, 50.02, 123456.7, -0.5}) {
        SCOPED_TRACE(v);
        const std::string hex = tbcom::core::BytesToHex(tbcom::sim::FrameMeter::EncodeD(v));
        auto d = DecodeD(hex);
        ASSERT_TRUE(d.has_value()) << hex;
        EXPECT_NEAR(*d, v, std::abs(v) * 1e-6 + 1e-9);
    }
}

}  // namespace
