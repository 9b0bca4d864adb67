#include <cmath>
#include <optional>
#include <vector>

#include "core/numbers.h"
#include "core/text.h"
#include "stdmeter/meter_formats.h"
#include "stdmeter/meter_parsers.h"
#include "transport/recv_bad.h"

namespace tbcom::stdmeter {

namespace {

constexpr std::size_t kVn74Length = 256, kGf7400Length = 160;

struct Out {
    std::vector<std::string> fields;
    bool bad = false;
    void add(std::optional<double> v, int decimals = 4, bool sc = false) {
        if (!v) bad = true;
        else fields.push_back(core::FormatFixed(sc ? SmallCurrent(*v) : *v, decimals));
    }
};

Parsed checked(std::string_view reply, std::size_t length) {
    if (transport::HasRecvBad(reply)) return ParsedBad();
    if (length != 0 && reply.size() != length) return ParsedWrongLength();
    return ParsedGood({});
}

// A decimal field of `width` characters at 1-based position p.
std::optional<double> decimalAt(std::string_view r, std::size_t p, std::size_t width = 7) {
    if (p == 0 || p - 1 + width > r.size()) return std::nullopt;
    return core::TryTextToFloat(core::Trim(r.substr(p - 1, width)));
}

Parsed gf7400(std::string_view r, bool threeAngles) {
    if (auto c = checked(r, kGf7400Length); c.status != ParseStatus::Good) return c;
    Out o;
    for (std::size_t p : {6, 20, 34}) o.add(decimalAt(r, p), 2);
    for (std::size_t p : {13, 27, 41}) o.add(decimalAt(r, p), 4);
    if (threeAngles) {
        for (std::size_t p : {92, 99, 106}) o.add(decimalAt(r, p), 3);
    } else {
        o.add(decimalAt(r, 55), 3);
    }
    o.add(decimalAt(r, 76, 8), 2);
    o.add(decimalAt(r, 84, 8), 2);
    o.add(decimalAt(r, 69), 4);
    o.add(decimalAt(r, 62), 2);
    return o.bad ? ParsedBad() : ParsedGood(JoinFields(o.fields));
}

}  // namespace

Parsed ParseVn74(std::string_view r) {
    if (auto c = checked(r, kVn74Length); c.status != ParseStatus::Good) return c;
    Out o;
    for (std::size_t p : {1, 9, 17}) o.add(VnFloatAt(r, p));
    for (std::size_t p : {33, 41, 49}) o.add(VnFloatAt(r, p), 4, true);
    for (std::size_t p : {193, 201, 209}) {
        auto a = VnFloatAt(r, p);
        if (a) a = std::fmod(std::fmod(*a, 360.0) + 360.0, 360.0);
        o.add(a, 2);
    }
    for (std::size_t p : {65, 73, 81, 129, 137, 145, 97, 105, 113, 89, 153, 121}) o.add(VnFloatAt(r, p), 4, true);
    o.add(VnFloatAt(r, 161));
    for (std::size_t p : {225, 233, 241, 249}) o.add(VnFloatAt(r, p), 3);
    if (o.bad) return ParsedBad();
    return ParsedGood(JoinFields(o.fields) + ",120,240");
}

Parsed ParseTorva(std::string_view r) {
    if (auto c = checked(r, 0); c.status != ParseStatus::Good) return c;
    auto m = R16At(r, 7), code = R16At(r, 11);
    if (!m || !code) return ParsedBad();
    return ParsedGood(core::FormatFixed(*m / (std::pow(10.0, *code) / 10), 4));
}

Parsed ParseGf7400(std::string_view r) { return gf7400(r, true); }
Parsed ParseGf7404a(std::string_view r) { return gf7400(r, false); }

}  // namespace tbcom::stdmeter
