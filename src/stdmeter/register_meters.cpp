#include "stdmeter/register_meters.h"

#include <optional>

#include "core/numbers.h"
#include "core/state.h"
#include "source/drivers/driver_state.h"
#include "source/output_record.h"
#include "stdmeter/meter_formats.h"
#include "stdmeter/std_state.h"
#include "transport/modbus_rtu.h"
#include "transport/recv_bad.h"

namespace tbcom::stdmeter {

namespace {

constexpr std::uint8_t kLxAddress = 55;
constexpr std::uint8_t kWb412iAddress = 1;
constexpr std::uint16_t kWb412eTransformers = 9476, kWb412eValues = 304;

std::string readHex(platform::PortHandle h, std::uint8_t dev, std::uint16_t first, std::uint16_t count) {
    std::string data;
    if (transport::ModbusReadRegisters(h, dev, first, count, data) != 0) return transport::kRecvBad;
    return core::BytesToHex(data);
}

using At = std::optional<double> (*)(std::string_view, std::size_t);

// `dst[k]` := value at `pos[k]` x scale, rounded to `decimals`, times
// `factor`; all or nothing.
bool take(std::string_view hex, At at, std::initializer_list<std::size_t> pos, double scale, int decimals,
          double factor, std::initializer_list<double*> dst) {
    double v[3];
    std::size_t k = 0;
    for (std::size_t p : pos) {
        auto x = at(hex, p);
        if (!x) return false;
        v[k++] = RoundedThroughText(*x * scale, decimals) * factor;
    }
    k = 0;
    for (double* d : dst) *d = v[k++];
    return true;
}

void copyVoltageAngles(source::OutputRecord& t) {
    t.angleUb = source::sourceOutput().angleUb;
    t.angleUc = source::sourceOutput().angleUc;
}

double ctValue() { return source::drivers::driverState().ctRatioWritten; }

}  // namespace

std::string ReadLx7000Meter(platform::PortHandle h, const std::string&, bool recordMode) {
    const std::string hex = readHex(h, kLxAddress, 0, 56);
    if (!recordMode || transport::IsRecvBad(hex)) return hex;
    source::OutputRecord t = stdState().meterSide;
    const double ct = core::state().ctRate;
    if (!take(hex, Hex32At, {1, 9, 17}, 1e-4, 2, 1, {&t.ua, &t.ub, &t.uc}) ||
        !take(hex, Hex32At, {25, 33, 41}, 1e-7, 4, ct, {&t.ia, &t.ib, &t.ic}) ||
        !take(hex, Hex32At, {201, 209, 217}, 1e-4, 2, 1, {&t.angleIa, &t.angleIb, &t.angleIc}))
        return transport::kRecvBad;
    copyVoltageAngles(t);
    stdState().meterSide = t;
    return hex;
}

std::string ReadLx9700Meter(platform::PortHandle h, const std::string&, bool recordMode) {
    const std::string hex = readHex(h, kLxAddress, 0, 48);
    if (!recordMode || transport::IsRecvBad(hex)) return hex;
    source::OutputRecord t = stdState().meterSide;
    const double ct = core::state().ctRate;
    if (!take(hex, R16At, {1, 33, 65}, 0.01, 2, 1, {&t.ua, &t.ub, &t.uc}) ||
        !take(hex, R16At, {9, 41, 73}, 1e-4, 4, ct, {&t.ia, &t.ib, &t.ic}))
        return transport::kRecvBad;
    const auto& out = source::sourceOutput();
    t.angleIa = out.angleIa, t.angleIb = out.angleIb, t.angleIc = out.angleIc;
    copyVoltageAngles(t);
    stdState().meterSide = t;
    return hex;
}

std::string ReadLx7000cMeter(platform::PortHandle h, const std::string&, bool recordMode) {
    const std::string hex = readHex(h, kLxAddress, 0, 18);
    if (!recordMode || transport::IsRecvBad(hex)) return hex;
    source::OutputRecord t = stdState().meterSide;
    if (!take(hex, Hex32At, {1}, 1e-4, 2, 1, {&t.ua}) ||
        !take(hex, Hex32At, {9}, 1e-6, 4, core::state().ctRate, {&t.ia}) ||
        !take(hex, Hex32At, {57}, 1e-4, 2, 1, {&t.angleIa}))
        return transport::kRecvBad;
    copyVoltageAngles(t);
    stdState().meterSide = t;
    return hex;
}

std::string ReadWb412eMeter(platform::PortHandle h, const std::string&, bool recordMode) {
    const std::string tr = readHex(h, kLxAddress, kWb412eTransformers, 2);
    if (transport::IsRecvBad(tr)) return tr;
    auto vt = R16At(tr, 1), ctv = R16At(tr, 5);
    if (!vt || !ctv) return transport::kRecvBad;
    stdState().wb412Vt = static_cast<std::int32_t>(*vt);
    source::drivers::driverState().ctRatioWritten = static_cast<std::int32_t>(*ctv);
    const std::string hex = readHex(h, kLxAddress, kWb412eValues, 33);
    if (!recordMode || transport::IsRecvBad(hex)) return hex;
    source::OutputRecord t = stdState().meterSide;
    if (!take(hex, R16At, {25, 29, 33}, *vt / 100, 2, 1, {&t.ua, &t.ub, &t.uc}) ||
        !take(hex, R16At, {1, 5, 9}, *ctv / 5000, 4, 1, {&t.ia, &t.ib, &t.ic}))
        return transport::kRecvBad;
    stdState().meterSide = t;
    return hex;
}

std::string ReadWb412iMeter(platform::PortHandle h, const std::string&, bool recordMode) {
    const std::string hex = readHex(h, kWb412iAddress, 3, 3);
    if (!recordMode || transport::IsRecvBad(hex)) return hex;
    source::OutputRecord t = stdState().meterSide;
    if (!take(hex, R16At, {1, 5, 9}, ctValue() / 5000, 4, 1, {&t.ia, &t.ib, &t.ic})) return transport::kRecvBad;
    stdState().meterSide = t;
    return hex;
}

}  // namespace tbcom::stdmeter
