#include "source/drivers/dips.h"

#include <algorithm>
#include <cmath>

#include "core/numbers.h"
#include "core/state.h"
#include "source/drivers/controller_write.h"
#include "source/output_record.h"
#include "stdmeter/link.h"
#include "transport/modbus_rtu.h"
#include "transport/recv_bad.h"

namespace tbcom::source::drivers {

namespace {

constexpr double kTimeLimit = 17280000;  // two days in hundredths of a second
constexpr double kCountLimit = 9999;
constexpr double kPercentLimit = 60000;
constexpr double kWordLimit = 65535;

// round(v) limited to 0..limit. The fields are unsigned: a negative or
// non-number value would otherwise wrap to a huge one on the wire.
std::uint32_t field(double v, double limit) {
    if (!(v > 0)) return 0;
    if (v >= limit) return static_cast<std::uint32_t>(limit);
    return static_cast<std::uint32_t>(std::min(core::RoundHalfEven(v), limit));
}

void put16(std::string& s, std::uint32_t v) {
    s += static_cast<char>((v >> 8) & 0xFF);
    s += static_cast<char>(v & 0xFF);
}

void put32(std::string& s, std::uint32_t v) {
    put16(s, v >> 16);
    put16(s, v & 0xFFFF);
}

}  // namespace

std::string DipProgrammeImage(bool extended) {
    const VoltParaBlock& b = voltParaBlock();
    std::string s;
    for (double d : {b.d1, b.d2, b.d3, b.d4}) put32(s, field(d * 100, kTimeLimit));
    put16(s, field(b.n, kCountLimit));
    put16(s, field(b.d5 * 100, kWordLimit));
    put16(s, field(b.w1, kWordLimit));
    put16(s, field(b.w2, kWordLimit));
    if (extended) {
        put16(s, field(b.d6 * 100, kWordLimit));
        put16(s, field(b.p1, kPercentLimit));
        put16(s, field(b.p2, kPercentLimit));
    }
    return s;
}

std::string InterruptionImage() {
    const VoltParaBlock& b = voltParaBlock();
    std::string s;
    put16(s, field(b.d2 * 100, kCountLimit));
    put16(s, field(b.d4 * 100, kCountLimit));
    put16(s, field(b.n, kCountLimit));
    return s;
}

bool DipStart(double d1, double d2, double d3, double d4, double d5, std::int32_t n, std::int32_t w1,
              std::int32_t w2) {
    VoltParaBlock& b = voltParaBlock();
    b.d1 = d1, b.d2 = d2, b.d3 = d3, b.d4 = d4, b.d5 = d5;
    b.n = n, b.w1 = w1, b.w2 = w2;
    return ControllerWriteSequence(transport::kBenchController, kDipProgrammeRegister, DipProgrammeImage(false));
}

bool DipStartExtended(double d1, double d2, double d3, double d4, double d5, double d6, double a, double b,
                      std::int32_t n, std::int32_t w1, std::int32_t w2) {
    VoltParaBlock& v = voltParaBlock();
    v.d1 = d1, v.d2 = d2, v.d3 = d3, v.d4 = d4, v.d5 = d5, v.d6 = d6;
    v.p1 = a / 0.01, v.p2 = b / 0.01;
    v.n = n, v.w1 = w1, v.w2 = w2;
    return ControllerWriteSequence(transport::kBenchController, kDipProgrammeRegister, DipProgrammeImage(true));
}

std::int32_t DipCount(std::int32_t which) {
    const std::string hex =
        stdmeter::StdLink_ReadRegs(core::state().benchPort, which != 0 ? kDipCountOtherRegister : kDipCountRegister, 1);
    if (transport::IsRecvBad(hex)) return 0;
    std::string bytes;
    if (hex.empty() || !core::HexToBytes(hex, bytes)) return 0;
    std::int32_t v = 0;
    for (unsigned char c : bytes) v = (v << 8) | c;
    return v;
}

std::int32_t InterruptionCount() {
    std::string data;
    const platform::PortHandle h = core::state().benchPort;
    if (transport::ModbusReadRegisters(h, kInterruptionController, kInterruptionCountRegister, 1, data) != 0)
        return -1;
    const std::string digits = core::BytesToHex(data);
    std::int32_t v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

bool InterruptionParamsWrite() {
    sourceOutput().waveType = 0;
    return ControllerWriteSequence(kInterruptionController, kInterruptionParamRegister, InterruptionImage());
}

bool InterruptionStop() {
    return ControllerWriteSequence(kInterruptionController, kInterruptionStopRegister, std::string("\x00\x01", 2));
}

}  // namespace tbcom::source::drivers
