#include "torva_meter.h"

#include <cmath>

#include "modbus_slave.h"

namespace tbcom::sim {

TorvaMeter::TorvaMeter(const World& world, std::function<bool()> connected)
    : Device("torva"), world_(world), connected_(std::move(connected)) {}

void TorvaMeter::onBurst(std::string_view b, Line& line) {
    if (connected_ && !connected_()) return;
    const std::string req("\x02\x04\x00\x00\x00\x02", 6);
    const std::uint16_t crc = Crc16(req);
    if (b != req + static_cast<char>(crc & 0xFF) + static_cast<char>(crc >> 8)) return;
    ++queries;
    const double i = Measure(world_.source, 0, errorPct).i;
    int code = 5;
    while (code > 0 && std::llround(i * std::pow(10.0, code - 1)) > 65535) --code;
    const auto m = static_cast<std::uint16_t>(std::llround(i * std::pow(10.0, code - 1)));
    std::string body{'\x02', '\x04', '\x04', static_cast<char>(m >> 8), static_cast<char>(m & 0xFF), '\0',
                     static_cast<char>(code)};
    if (preamble) {
        body[0] = '\x01';
        line.reply(*this, std::string("\xFE\xFE\xF9", 3) + body + '\x17');
        return;
    }
    const std::uint16_t c = Crc16(body);
    line.reply(*this, body + static_cast<char>(c & 0xFF) + static_cast<char>(c >> 8));
}

}  // namespace tbcom::sim
