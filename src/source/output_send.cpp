#include "source/output_send.h"

#include <cmath>
#include <limits>

#include "bus/transact.h"
#include "core/numbers.h"
#include "core/state.h"
#include "instruments/amplifier.h"
#include "transport/modbus_rtu.h"
#include "transport/serial_port.h"
#include "transport/timing.h"

namespace tbcom::source {

namespace {

constexpr int kWriteAttempts = 5;
constexpr double kWriteGap = 0.3;
constexpr std::uint32_t kBusWaitMs = 500;

// Appends round(v) as an unsigned big-endian field of `bytes` bytes; false
// when it does not fit.
bool put(std::string& out, double v, int bytes) {
    const double r = core::RoundHalfEven(v);
    const double max = bytes == 2 ? 65535.0 : 4294967295.0;
    if (!std::isfinite(r) || r < 0 || r > max) return false;
    const auto u = static_cast<std::uint32_t>(r);
    for (int k = bytes - 1; k >= 0; --k) out += static_cast<char>((u >> (8 * k)) & 0xFF);
    return true;
}

// A signed 16-bit field (the harmonic parameters), two's complement.
bool putSigned16(std::string& out, double v) {
    const double r = core::RoundHalfEven(v);
    if (!std::isfinite(r) || r < -32768 || r > 32767) return false;
    const auto u = static_cast<std::uint16_t>(static_cast<std::int32_t>(r));
    out += static_cast<char>(u >> 8);
    out += static_cast<char>(u & 0xFF);
    return true;
}

bool isMode246(std::int32_t m) { return m == 2 || m == 4 || m == 6; }

}  // namespace

std::optional<std::string> BuildOutputBlock(const OutputRecord& r, bool outPutMode, std::uint8_t& marker) {
    std::string b;
    bool ok = put(b, r.frequency * 100, 2);
    for (double u : {r.ua, r.ub, r.uc}) ok = ok && put(b, u, 2);
    for (double i : {r.ia, r.ib, r.ic}) ok = ok && put(b, i * 100, 4);
    for (double a : {r.angleIa, r.angleIb, r.angleIc, r.angleUb, r.angleUc}) ok = ok && put(b, a * 100, 2);
    if (!ok) return std::nullopt;
    b += static_cast<char>(outPutMode && isMode246(r.mode) ? 2 : 0);
    b += static_cast<char>(r.waveType & 0xFF);
    if (r.waveType == 2) {
        for (double h : r.harmA) ok = ok && putSigned16(b, h * 100);
        for (std::int32_t h : r.harmB) ok = ok && putSigned16(b, h);
        for (double h : r.harmUContent) ok = ok && putSigned16(b, h);
        for (double h : r.harmIContent) ok = ok && putSigned16(b, h);
        if (!ok) return std::nullopt;
    }
    if (marker && b.compare(8, 4, std::string(4, '\0')) == 0) {
        marker = 0;
        b.replace(8, 4, "\x05\xF5\xE1\x00", 4);
    }
    return b;
}

std::string BuildVoltParaBlock(const VoltParaBlock& p) {
    std::string b;
    auto limited = [](double v) { return std::min(v, 9999.0); };
    for (double v : {p.d1 * 10, p.d2 * 10, p.d3 * 10, p.d4 * 10, static_cast<double>(p.n)})
        if (!putSigned16(b, limited(v))) b += std::string(2, '\0');
    // D5 x 100 is not limited; it wraps to its 16 bits as the controller reads it.
    const auto d5 = static_cast<std::int64_t>(core::RoundHalfEven(std::isfinite(p.d5) ? p.d5 * 100 : 0));
    b += static_cast<char>((d5 >> 8) & 0xFF);
    b += static_cast<char>(d5 & 0xFF);
    return b;
}

bool WaitBusFree() {
    transport::TickTimer t;
    while (core::state().busBusy) {
        if (t.elapsedMs() > kBusWaitMs) return false;
        transport::WaitBriefly();
    }
    return true;
}

bool WriteControllerBlock(platform::PortHandle h, std::uint16_t first, std::string_view data) {
    for (int attempt = 1; attempt <= kWriteAttempts; ++attempt) {
        if (transport::ModbusWriteRegisters(h, transport::kBenchController, first, data) == 0) return true;
        if (attempt < kWriteAttempts) transport::Delay(kWriteGap);
    }
    return false;
}

bool Output_Send(platform::PortHandle h, const OutputRecord& r) {
    const bool allZero = r.ua == 0 && r.ub == 0 && r.uc == 0 && r.ia == 0 && r.ib == 0 && r.ic == 0;
    const bool voltsZero = r.ua == 0 && r.ub == 0 && r.uc == 0;
    auto& st = core::state();
    // The computation holds OutputBusy from before its first send; the notice
    // is this call's own bus exchange and must not be refused for it.
    const std::uint8_t held = st.outputBusy;
    st.outputBusy = 0;
    if (allZero) bus::SourceStateNotice(1);
    else if (voltsZero || instruments::amplifier().enabled) bus::SourceStateNotice(2);
    st.outputBusy = held;
    st.outputBusy = 1;
    if (!WaitBusFree()) {
        st.outputBusy = 0;
        return false;
    }
    transport::SetCommBaud(h, "9600");
    auto block = BuildOutputBlock(r, requestState().outPutMode, computeState().sentZeroCurrentMarker);
    const bool ok = block && WriteControllerBlock(h, kOutputBlockRegister, *block);
    st.outputBusy = ok ? 1 : 0;
    return ok;
}

bool VoltPara_Send(platform::PortHandle h) {
    auto& st = core::state();
    st.outputBusy = 1;
    if (!WaitBusFree()) return false;
    transport::SetCommBaud(h, "9600");
    sourceOutput().waveType = 5;
    const bool ok = WriteControllerBlock(h, kVoltParaRegister, BuildVoltParaBlock(voltParaBlock()));
    st.outputBusy = 0;
    return ok;
}

}  // namespace tbcom::source
