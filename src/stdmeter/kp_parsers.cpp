#include "transport/recv_bad.h"
#include "core/numbers.h"
#include "stdmeter/kp_meter.h"
#include "stdmeter/number_formats.h"
#include "stdmeter/parsers.h"

namespace tbcom::stdmeter {

namespace {

using Decoder = std::optional<double> (*)(std::string_view);

// One output field: the reply field, its decimals, and the small-current
// scaling.
struct Out {
    int k;
    int decimals;
    bool sc;
};

Parsed kpParse(std::string_view reply, size_t length, Decoder d, std::initializer_list<Out> outs,
               double currentDivisor = 1, int currentField = -1) {
    if (transport::HasRecvBad(reply)) return ParsedBad();
    if (reply.size() != length) return ParsedWrongLength();
    std::vector<std::string> fields;
    for (const Out& o : outs) {
        auto v = d(KpField(reply, o.k));
        if (!v) return ParsedBad();
        double x = *v;
        if (o.k == currentField) x /= currentDivisor;
        if (o.sc) x = SmallCurrent(x);
        fields.push_back(core::FormatFixed(x, o.decimals));
    }
    return ParsedGood(JoinFields(fields));
}

constexpr bool SC = true, NO = false;

}  // namespace

Parsed ParseKpThreePhase(std::string_view reply) {
    return kpParse(reply, kKpThreePhaseLength, DecodeK,
                   {{0, 4, NO},  {1, 4, NO},  {2, 4, NO},  {3, 4, SC},  {4, 4, SC},  {5, 4, SC},  {22, 2, NO},
                    {23, 2, NO}, {24, 2, NO}, {6, 4, SC},  {7, 4, SC},  {8, 4, SC},  {10, 4, SC}, {11, 4, SC},
                    {12, 4, SC}, {14, 4, SC}, {15, 4, SC}, {16, 4, SC}, {9, 4, SC},  {13, 4, SC}, {17, 4, SC},
                    {25, 4, NO}, {18, 3, NO}, {19, 3, NO}, {20, 3, NO}, {21, 3, NO}, {26, 4, NO}, {27, 4, NO}});
}

// Field positions 2, 35, 112, 68, 90, 79, 123 are fields 0, 3, 10, 6, 8, 7, 11.
Parsed ParseKpSinglePhaseN(std::string_view reply) {
    const bool milliamps = reply.size() >= 137 && static_cast<unsigned char>(reply[136]) > '6';
    return kpParse(reply, kKpSinglePhaseLength, DecodeN,
                   {{0, 4, NO}, {3, 4, SC}, {10, 2, NO}, {6, 4, SC}, {8, 4, SC}, {7, 4, SC}, {11, 4, NO}},
                   milliamps ? 1000 : 1, 3);
}

Parsed ParseKpSinglePhaseG(std::string_view reply) {
    return kpParse(reply, kKpSinglePhaseLength, DecodeG,
                   {{0, 4, NO}, {3, 4, SC}, {10, 2, NO}, {6, 4, SC}, {7, 4, SC}, {8, 4, SC}, {11, 4, NO}});
}

}  // namespace tbcom::stdmeter
