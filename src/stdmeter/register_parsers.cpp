#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "core/numbers.h"
#include "core/state.h"
#include "source/drivers/driver_state.h"
#include "source/output_record.h"
#include "stdmeter/meter_formats.h"
#include "stdmeter/meter_parsers.h"
#include "stdmeter/std_state.h"
#include "transport/recv_bad.h"

namespace tbcom::stdmeter {

namespace {

constexpr double kRadToDeg = 57.29577951308232;
constexpr double kLx9700Hz = 0.00106813;  // hertz per count of the frequency register

// The LX meters' current factor: CtRate, or 1 while BackRate is set.
double lxCt() { return core::state().backRate ? 1.0 : core::state().ctRate; }

struct Out {
    std::vector<std::string> fields;
    bool bad = false;
    void add(std::optional<double> v, double factor, int decimals, bool sc = false) {
        if (!v) {
            bad = true;
            return;
        }
        const double x = *v * factor;
        fields.push_back(core::FormatFixed(sc ? SmallCurrent(x) : x, decimals));
    }
    void text(std::string t) { fields.push_back(std::move(t)); }
    void integer(std::string_view prefix, std::optional<double> v) {
        if (!v) bad = true;
        else fields.push_back(std::string(prefix) + std::to_string(static_cast<long long>(*v)));
    }
    Parsed done() const { return bad ? ParsedBad() : ParsedGood(JoinFields(fields)); }
};

// Shortest decimal text that reads back as v.
// The shortest decimal text that reads back as v, never in exponent form:
// the host reads the fields as plain decimals (0.0002, not 2e-04).
std::string shortest(double v) {
    char buf[400];  // the longest finite double written out in full fits
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    if (r.ec != std::errc()) return core::FormatFixed(v, 4);
    return std::string(buf, r.ptr);
}

// The WB412E range factor of a requested current (hundredths of an ampere).
double rangeFactor(double hundredths) {
    const double n = core::RoundHalfEven(hundredths * 100);
    if (n == 0) return 0;
    const struct {
        double upTo, factor;
    } steps[] = {{120, 0.01},     {1200, 0.1},    {3600, 0.3},    {10000, 1},    {36000, 3},
                 {60000, 5},      {100000, 10},   {360000, 30},   {720000, 60}};
    for (const auto& s : steps)
        if (n <= s.upTo) return s.factor;
    return 120;
}

Parsed checked(std::string_view reply, std::size_t length) {
    if (transport::HasRecvBad(reply)) return ParsedBad();
    if (reply.size() != length) return ParsedWrongLength();
    return ParsedGood({});
}

}  // namespace

Parsed ParseLx7000(std::string_view r) {
    if (auto c = checked(r, 224); c.status != ParseStatus::Good) return c;
    const double ct = lxCt();
    Out o;
    for (std::size_t p : {1, 9, 17}) o.add(Hex32At(r, p), 1e-4, 4);
    for (std::size_t p : {25, 33, 41}) o.add(Hex32At(r, p), 1e-7 * ct, 5, true);
    for (std::size_t p : {201, 209, 217}) o.add(Hex32At(r, p), 1e-4, 2);
    for (std::size_t p : {49, 57, 65, 73, 81, 89, 145, 153, 161}) o.add(Hex32At(r, p), 1e-5 * ct, 5, true);
    for (std::size_t p : {97, 105, 177}) o.add(Hex32At(r, p), 1e-5 * ct, 4, true);
    o.add(Hex32At(r, 137), 1e-4, 4);
    o.integer("V_", Hex32At(r, 185));
    o.integer("A_", Hex32At(r, 193));
    return o.done();
}

Parsed ParseLx7000c(std::string_view r) {
    if (auto c = checked(r, 72); c.status != ParseStatus::Good) return c;
    const double ct = lxCt();
    Out o;
    o.add(Hex32At(r, 1), 1e-4, 4);
    o.text(""), o.text("");
    o.add(Hex32At(r, 9), 1e-6 * ct, 5);
    o.text(""), o.text("");
    o.add(Hex32At(r, 57), 1e-4, 2);
    for (int k = 8; k <= 18; ++k) o.text("");
    for (std::size_t p : {17, 25, 41}) o.add(Hex32At(r, p), 1e-4 * ct, 5);
    // A frequency far from the requested one came in the other word order.
    auto f = Hex32At(r, 49);
    if (f && std::fabs(*f / 1e4 - source::sourceOutput().frequency) > 100) {
        auto hi = HexAt(r, 49, 4), lo = HexAt(r, 53, 4);
        f = static_cast<double>(static_cast<std::int32_t>((*hi << 16) | *lo));
    }
    o.add(f, 1e-4, 4);
    o.text("");
    o.integer("A_", Hex32At(r, 65));
    return o.done();
}

// The power registers count in steps of 0.4 W (0.2 VA) of the meter's
// current range; the same range multiplier scales all three powers.
Parsed ParseLx9700(std::string_view r) {
    if (auto c = checked(r, 192); c.status != ParseStatus::Good) return c;
    const double ct = lxCt();
    Out o;
    for (std::size_t p : {1, 33, 65}) o.add(R16At(r, p), 0.01, 2);
    for (std::size_t p : {9, 41, 73}) {
        auto v = R16At(r, p);
        if (!v) return ParsedBad();
        o.text(shortest(RoundedThroughText(*v / 1e4, 4) * ct));
    }
    for (std::size_t p : {21, 53, 85}) {
        auto pf = S16At(r, p);
        if (!pf) return ParsedBad();
        const double c = std::fmax(-1.0, std::fmin(1.0, RoundedThroughText(*pf / 1e4, 4)));
        o.add(std::acos(c), kRadToDeg, 2);
    }
    for (std::size_t p : {17, 49, 81}) o.add(S16At(r, p), ct * 0.4, 1);
    for (std::size_t p : {25, 57, 89}) o.add(S16At(r, p), ct * 0.4, 1);
    for (std::size_t p : {29, 61, 93}) o.add(R16At(r, p), ct * 0.2, 1);
    o.add(S16At(r, 113), ct * 0.4, 1);
    o.add(S16At(r, 121), ct * 0.4, 1);
    o.add(R16At(r, 125), ct * 0.2, 1);
    o.add(R16At(r, 109), kLx9700Hz, 2);
    for (std::size_t p : {21, 53, 85, 117}) o.add(S16At(r, p), 1e-4, 4);
    for (std::size_t p : {169, 173}) o.add(S16At(r, p), 0.01, 2);
    return o.done();
}

Parsed ParseWb412e(std::string_view r) {
    if (auto c = checked(r, 132); c.status != ParseStatus::Good) return c;
    const double ctRaw = source::drivers::driverState().ctRatioWritten, vtRaw = stdState().wb412Vt;
    const double ct = ctRaw == 0 ? 1 : ctRaw, vt = vtRaw == 0 ? 1 : vtRaw;
    const auto& out = source::sourceOutput();
    const double rf[3] = {rangeFactor(out.ia), rangeFactor(out.ib), rangeFactor(out.ic)};
    const double rfPower = rf[0] != 0 ? rf[0] : rf[1] != 0 ? rf[1] : rf[2];
    std::string text;
    for (int k = 1; k <= 33; ++k) {
        const std::size_t p = 4 * static_cast<std::size_t>(k - 1) + 1;
        std::optional<double> v;
        int decimals = 4;
        if (k <= 3) v = R16At(r, p), v = v ? std::optional(*v * rf[k - 1] * ct / 5000) : v;
        else if ((k >= 7 && k <= 9) || (k >= 12 && k <= 14)) v = R16At(r, p), v = v ? std::optional(*v * vt / 100) : v;
        else if ((k >= 17 && k <= 19) || (k >= 22 && k <= 24) || (k >= 26 && k <= 28) || (k >= 30 && k <= 32))
            v = S16At(r, p), v = v ? std::optional(*v * rfPower * ct * vt * 0.2) : v, decimals = 1;
        else if (k == 20 || k == 25 || k == 29 || k == 33) v = R16At(r, p), v = v ? std::optional(*v / 1e4) : v;
        else if (k == 21) v = R16At(r, p), v = v ? std::optional(*v / 500) : v, decimals = 3;
        else continue;
        if (!v) return ParsedBad();
        text += core::FormatFixed(*v, decimals) + ",";
    }
    return ParsedGood(text);
}

Parsed ParseWb412i(std::string_view r) {
    if (auto c = checked(r, 12); c.status != ParseStatus::Good) return c;
    Out o;
    for (std::size_t p : {1, 5, 9}) o.add(R16At(r, p), 1.0 / 5000, 4);
    return o.done();
}

}  // namespace tbcom::stdmeter
