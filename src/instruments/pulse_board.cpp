#include "instruments/pulse_board.h"

#include "core/numbers.h"
#include "transport/modbus_rtu.h"
#include "transport/timing.h"

namespace tbcom::instruments {

bool PulseBoardCommand(platform::PortHandle h, std::uint8_t address, bool run, std::uint8_t selector,
                       std::uint16_t value) {
    const std::string data = run ? std::string{1, static_cast<char>(selector), static_cast<char>(value >> 8),
                                               static_cast<char>(value & 0xFF)}
                                 : std::string(4, '\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (transport::ModbusWriteRegisters(h, address, kPulseBoardCommandRegister, data) == 0) return true;
        transport::Delay(0.1);
    }
    return false;
}

std::optional<std::string> PulseBoardCounters(platform::PortHandle h, std::uint8_t address) {
    std::string data;
    if (transport::ModbusReadRegisters(h, address, kPulseBoardCounterRegister, 2 * kPulseBoardCounters, data) != 0)
        return std::nullopt;
    std::string text;
    for (int k = 0; k < kPulseBoardCounters; ++k) {
        std::uint32_t v = 0;
        for (int b = 0; b < 4; ++b) v = (v << 8) | static_cast<unsigned char>(data[static_cast<size_t>(4 * k + b)]);
        if (k > 0) text += ',';
        text += std::to_string(static_cast<std::int32_t>(v));
    }
    return text;
}

std::optional<std::string> ReadRegisterBlock(platform::PortHandle h, std::uint8_t dev, std::uint16_t first,
                                             std::uint16_t count) {
    if (count < 1 || count > kMaxReadRegisters) return std::nullopt;
    std::string data;
    if (transport::ModbusReadRegisters(h, dev, first, count, data) != 0) return std::nullopt;
    return core::BytesToHex(data);
}

}  // namespace tbcom::instruments
