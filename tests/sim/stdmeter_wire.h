// Expected wire bytes and reading helpers shared by the standard-meter tests.
// The frames are built from the simulated slave's own CRC, not the library's.
#pragma once

#include <algorithm>
#include <cmath>

#include "core/numbers.h"
#include "core/text.h"
#include "modbus_slave.h"
#include "sim_fixture.h"
#include "tbcom.h"

namespace tbcom::test {

// A request to the bench controller as it goes on the wire: five 0xF9, the
// frame, its CRC low byte first.
inline std::string CtrlFrame(std::string body) {
    const std::uint16_t c = sim::Crc16(body);
    return std::string(5, '\xF9') + body + static_cast<char>(c & 0xFF) + static_cast<char>(c >> 8);
}
// Link switch write: register 0x005A, one register, value v (0 = on).
inline std::string LinkWrite(int v) { return CtrlFrame(Bytes({0xB1, 0x10, 0x00, 0x5A, 0x00, 0x01, 0x02, 0x00, v})); }
inline std::string KindRead() { return CtrlFrame(Bytes({0xB1, 0x03, 0x00, 0x00, 0x00, 0x01})); }

// Field n (from 1) of a reading text as a number; NaN when absent.
inline double FieldValue(const std::string& text, int n) {
    return core::TryTextToFloat(core::CommaField(text, n)).value_or(std::nan(""));
}
inline int FieldCount(const std::string& text) {
    return text.empty() ? 0 : 1 + static_cast<int>(std::count(text.begin(), text.end(), ','));
}

}  // namespace tbcom::test
