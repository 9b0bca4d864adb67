#include <cstdint>
#include <optional>

#include "transport/recv_bad.h"
#include "core/numbers.h"
#include "core/text.h"
#include "stdmeter/meter_formats.h"
#include "stdmeter/plm_meter.h"
#include "stdmeter/parsers.h"

namespace tbcom::stdmeter {

namespace {

constexpr size_t kRegisterMeterLength = 56;

}  // namespace

Parsed ParsePlm(std::string_view reply) {
    if (transport::HasRecvBad(reply)) return ParsedBad();
    if (reply.size() != static_cast<size_t>(kPlmFullLength)) return ParsedWrongLength();
    struct Out {
        int field, decimals;
        bool sc;
    };
    static const Out outs[] = {{2, 4, false},  {3, 4, false},  {4, 4, false},  {6, 4, true},
                               {7, 4, true},   {8, 4, true},   {10, 2, false}, {11, 2, false},
                               {12, 2, false}, {15, 4, true},  {17, 4, true},  {19, 4, true},
                               {21, 4, false}, {23, 4, false}, {24, 4, false}, {25, 4, false}};
    std::vector<std::string> fields;
    for (const Out& o : outs) {
        auto v = core::TryTextToFloat(core::CommaField(reply, o.field));
        if (!v) return ParsedBad();
        fields.push_back(core::FormatFixed(o.sc ? SmallCurrent(*v) : *v, o.decimals));
    }
    return ParsedGood(JoinFields(fields));
}

Parsed ParseRegisterMeter(std::string_view reply) {
    if (transport::HasRecvBad(reply)) return ParsedBad();
    if (reply.size() != kRegisterMeterLength) return ParsedWrongLength();
    auto u = HexAt(reply, 1, 4);
    auto i = HexAt(reply, 13, 8);
    auto phi = HexAt(reply, 37, 4);
    if (!u || !i || !phi) return ParsedBad();
    return ParsedGood(JoinFields({core::FormatFixed(*u / 100.0, 4), core::FormatFixed(*i / 10000.0, 4),
                                  core::FormatFixed(*phi / 100.0, 2)}));
}

Parsed PassThrough(std::string_view reply) {
    if (transport::HasRecvBad(reply)) return ParsedBad();
    return ParsedGood(std::string(reply));
}

}  // namespace tbcom::stdmeter
