#include <optional>
#include <vector>

#include "core/numbers.h"
#include "stdmeter/meter_formats.h"
#include "stdmeter/meter_parsers.h"
#include "transport/recv_bad.h"

namespace tbcom::stdmeter {

namespace {

// The frame of the list whose code is `code`; empty when there is none.
std::string_view frameOf(std::string_view list, std::string_view code) {
    std::size_t at = 0;
    while (at <= list.size()) {
        std::size_t end = list.find(',', at);
        if (end == std::string_view::npos) end = list.size();
        const std::string_view f = list.substr(at, end - at);
        if (f.size() >= 8 && f.substr(6, 2) == code) return f;
        at = end + 1;
    }
    return {};
}

// Field p of a frame after its first six characters (three bytes).
std::optional<double> fk(std::string_view frame, std::size_t p) { return DAt(frame, p + 6); }

double halfTurn(double a) { return a > 180 ? a - 360 : a; }

struct Frames {
    std::string_view f[7];
    bool need(std::initializer_list<int> ks) const {
        for (int k : ks)
            if (f[k].empty()) return false;
        return true;
    }
};

Frames framesOf(std::string_view list) {
    Frames fr;
    const char* codes[7] = {"F0", "F1", "F2", "F3", "F4", "F5", "F6"};
    for (int k = 0; k < 7; ++k) fr.f[k] = frameOf(list, codes[k]);
    return fr;
}

// Collects formatted fields; a field that does not convert marks the whole
// parse bad.
struct Out {
    std::vector<std::string> fields;
    bool bad = false;
    void add(std::optional<double> v, int decimals = 4, bool sc = false) {
        if (!v) {
            bad = true;
            return;
        }
        fields.push_back(core::FormatFixed(sc ? SmallCurrent(*v) : *v, decimals));
    }
};

// The 28 TB8760 fields t1 to t28, or nullopt with `status` set.
std::optional<std::vector<std::string>> tb8760Fields(std::string_view reply, ParseStatus& status) {
    status = ParseStatus::Bad;
    if (transport::HasRecvBad(reply)) return std::nullopt;
    const Frames fr = framesOf(reply);
    if (!fr.need({0, 1, 2, 3, 4, 5, 6})) {
        status = ParseStatus::WrongLength;
        return std::nullopt;
    }
    Out o;
    for (std::size_t p : {5, 17, 29}) o.add(fk(fr.f[6], p));
    for (std::size_t p : {41, 53, 65}) o.add(fk(fr.f[6], p), 4, true);
    for (std::size_t p : {5, 17, 29, 41, 53}) {
        auto a = fk(fr.f[5], p);
        o.add(a ? std::optional<double>(halfTurn(*a)) : std::nullopt, 3);
    }
    for (int k : {1, 2, 3})
        for (std::size_t p : {5, 17, 29, 41}) o.add(fk(fr.f[k], p), 4, true);
    o.add(fk(fr.f[0], 3));
    for (std::size_t p : {5, 17, 29, 41}) o.add(fk(fr.f[4], p));
    if (o.bad) return std::nullopt;
    status = ParseStatus::Good;
    return o.fields;
}

Parsed relayout(std::string_view reply, std::initializer_list<int> order) {
    ParseStatus status;
    auto t = tb8760Fields(reply, status);
    if (!t) return status == ParseStatus::WrongLength ? ParsedWrongLength() : ParsedBad();
    std::vector<std::string> out;
    for (int k : order) out.push_back(k == 0 ? "0" : (*t)[static_cast<std::size_t>(k - 1)]);
    return ParsedGood(JoinFields(out));
}

}  // namespace

Parsed ParseDd7400(std::string_view reply) {
    if (transport::HasRecvBad(reply)) return ParsedBad();
    const Frames fr = framesOf(reply);
    if (!fr.need({0, 1, 2, 3, 5, 6})) return ParsedWrongLength();
    Out o;
    for (std::size_t p : {5, 17, 29}) o.add(fk(fr.f[6], p));
    for (std::size_t p : {77, 89, 101}) o.add(fk(fr.f[6], p), 3);
    for (std::size_t p : {41, 53, 65}) o.add(fk(fr.f[6], p), 4, true);
    auto f5 = [&](std::size_t p) {
        auto v = fk(fr.f[5], p);
        return v ? std::optional<double>(halfTurn(*v)) : std::nullopt;
    };
    auto diff = [](std::optional<double> a, std::optional<double> b) {
        return a && b ? std::optional<double>(*a - *b) : std::nullopt;
    };
    o.add(f5(29), 3);
    o.add(diff(f5(41), f5(5)), 3);
    o.add(diff(f5(53), f5(17)), 3);
    for (int k : {1, 2, 3}) o.add(fk(fr.f[k], 41), 4, true);
    o.add(fk(fr.f[0], 3));
    if (o.bad) return ParsedBad();
    return ParsedGood(JoinFields(o.fields));
}

Parsed ParseTb8760(std::string_view reply) {
    return relayout(reply, {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14,
                            15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28});
}

Parsed ParseTb8700b(std::string_view reply) {
    return relayout(reply, {1,  2,  3,  4,  5,  6,  9,  10, 11, 12, 13, 14, 16, 17,
                            18, 20, 21, 22, 15, 19, 23, 24, 25, 26, 27, 28, 7,  8});
}

// "0" stands in the fields the layout has no value for.
Parsed ParseTb8760AsGf7400(std::string_view reply) {
    return relayout(reply, {1, 4, 2, 5, 3, 6, 28, 0, 24, 23, 15, 19, 25, 26, 27, 12, 13, 14, 0, 0, 0, 0});
}

}  // namespace tbcom::stdmeter
