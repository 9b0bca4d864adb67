// A Modbus RTU slave on the simulated line: holding registers, functions 3, 6
// and 16, the 0xF9 wake-up bytes tolerated ahead of a request, requests with a
// bad CRC ignored, exception replies for a refusal.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "line.h"

namespace tbcom::sim {

std::uint16_t Crc16(std::string_view bytes);

class ModbusSlave : public Device {
public:
    ModbusSlave(std::string name, std::uint8_t address, SerialSettings s = Settings(9600))
        : Device(std::move(name), s), address_(address) {}

    std::map<std::uint16_t, std::uint16_t> registers;
    struct Write {
        std::uint16_t first;
        std::vector<std::uint16_t> values;
    };
    std::vector<Write> writes;
    // Asked first about every write: true takes the values away from the
    // holding registers (a controller that reads a register field as a
    // selector, such as a waveform segment).
    std::function<bool(const Write&)> claimWrite;
    // Called after every accepted write.
    std::function<void(const Write&)> onWrite;
    // Called before a read so that live values can be filled in.
    std::function<void(std::uint16_t first, std::uint16_t count)> onRead;

    std::uint8_t address() const { return address_; }
    void onBurst(std::string_view burst, Line& line) override;

private:
    std::uint8_t address_;
};

}  // namespace tbcom::sim
