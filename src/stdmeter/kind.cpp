#include "stdmeter/kind.h"

#include "transport/recv_bad.h"
#include "core/state.h"
#include "stdmeter/link.h"
#include "stdmeter/std_state.h"
#include "transport/timing.h"

namespace tbcom::stdmeter {

namespace {

constexpr int kAttempts = 3;
constexpr double kRetryGap = 0.2;
constexpr double kSettle = 0.5;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::optional<KindRegister> DecodeKindRegister(std::string_view hex) {
    if (hex.size() != 4) return std::nullopt;
    const int hi = hexDigit(hex[2]), lo = hexDigit(hex[3]);
    if (hi < 0 || lo < 0) return std::nullopt;
    std::int32_t kind = (hex[1] >= '0' && hex[1] <= '9') ? hex[1] - '0' : 1;
    if (kind == 7) kind = 5;
    return KindRegister{kind, (hi * 16 + lo) * 10.0};
}

std::optional<std::string> DetectKind(platform::PortHandle h) {
    for (int a = 1; a <= kAttempts; ++a) {
        std::string reply = StdLink_ReadRegs(h, 0, 1);
        if (!transport::IsRecvBad(reply)) {
            if (auto k = DecodeKindRegister(reply)) {
                core::state().stdMeterKind = k->kind;
                stdState().maxCurrent = k->maxCurrent;
                transport::Delay(kSettle);
            }
            return reply;
        }
        transport::Delay(kRetryGap);
    }
    return std::nullopt;
}

}  // namespace tbcom::stdmeter
