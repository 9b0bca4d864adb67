// Function-board commands of a position unit (0xA0.., 0xB0.. and the
// display codes): setters keep their state and echo the command, getters
// answer from that state. Data a real board could not act on is refused
// with 0x15.
#include <cmath>
#include <cstdio>

#include "function_board.h"
#include "position_unit.h"

namespace tbcom::sim {

namespace {

bool isFlag(const std::string& d) { return d == "0" || d == "1"; }

bool allDigits(const std::string& d) {
    if (d.empty()) return false;
    for (char c : d)
        if (c < '0' || c > '9') return false;
    return true;
}

std::uint8_t u8(char c) { return static_cast<std::uint8_t>(c); }

// The DC reading in 7.5 mV steps as five characters.
std::string dcField(double volts) {
    long long n = std::llround(volts * 1000 / 7.5);
    if (n > 99999) n = 99999;
    if (n < -9999) n = -9999;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%05lld", n);
    return buf;
}

// Setters: the new state, or false to refuse.
bool applySetter(FunctionBoard& b, std::uint8_t command, const std::string& d) {
    switch (command) {
        case 0xA0: if (!isFlag(d)) return false; b.rs485 = d[0]; return true;
        case 0xA2: if (d.size() != 1) return false; b.fs = u8(d[0]); return true;
        case 0xA4:
            if (d.size() != 2 || u8(d[0]) >= b.fc.size()) return false;
            b.fc[u8(d[0])] = u8(d[1]);
            return true;
        case 0xA6: if (d.size() != 1) return false; b.pulseStateA6 = u8(d[0]); return true;
        case 0xA7: if (d.size() != 1) return false; b.pulseStateA7 = u8(d[0]); return true;
        case 0xA8: if (!isFlag(d)) return false; b.ct = d[0]; return true;
        case 0xAA: if (d.size() < 2 || !allDigits(d)) return false; b.voltState = d; return true;
        case 0x2D: if (d.empty() || d.size() > 16) return false; b.errDisplay = d; return true;
        case 0x4C:
        case 0x4B: {
            if (d.size() != 1 || d[0] < '0' || d[0] > '2') return false;
            (command == 0x4C ? b.resultDisplay : b.meterInterface) = d[0];
            return true;
        }
        case 0xB0: {
            // high, low, low; a high byte of 3 stands for step 256.
            if (d.size() != 3 || d[1] != d[2]) return false;
            if (u8(d[0]) == 0x03 && d[1] == 0) { b.pwmStep = 256; return true; }
            if (u8(d[0]) != 0x00) return false;
            b.pwmStep = u8(d[1]);
            return true;
        }
        case 0xB1: if (!isFlag(d)) return false; b.pwmOn = d == "1"; return true;
        case 0xB2: if (!isFlag(d)) return false; b.checkDc = d == "1"; return true;
        case 0xB4: if (!isFlag(d)) return false; b.fcAddVolt = d[0]; return true;
        case 0xB6: if (!isFlag(d)) return false; b.dcOutType = d[0]; return true;
        case 0xB8:
            if (d.size() != 3) return false;
            for (int k = 0; k < 3; ++k) b.fsPulse[k] = u8(d[k]);
            return true;
        default: return false;
    }
}

bool isSetter(std::uint8_t c) {
    switch (c) {
        case 0xA0: case 0xA2: case 0xA4: case 0xA6: case 0xA7: case 0xA8: case 0xAA: case 0x2D:
        case 0x4B: case 0x4C: case 0xB0: case 0xB1: case 0xB2: case 0xB4: case 0xB6: case 0xB8:
            return true;
        default:
            return false;
    }
}

}  // namespace

double FunctionBoard::pwmVolts() const {
    const double centred = pwmStep - 127;
    return dcOutType == '0' ? 5.0 - centred * 0.038 : 12.0 - centred * 0.0925;
}

double FunctionBoard::measuredDcVolts() const {
    if (!checkDc) return 0;
    return pwmOn ? pwmVolts() : dcInputVolts;
}

bool HandleBoardCommand(PositionUnit& u, const BusFrame& f, Line& /*line*/, std::string& reply) {
    if (f.start != 0x01) return false;
    FunctionBoard& b = u.board;
    const std::uint8_t a = u.address();
    if (isSetter(f.command)) {
        if (!applySetter(b, f.command, f.data)) return false;
        reply = BusReply(0x01, a, f.command);
        return true;
    }
    if (!f.data.empty()) return false;
    switch (f.command) {
        case 0xA1: reply = BusReply(0x01, a, b.fs); return true;
        case 0xA3: reply = BusReply(0x01, a, 0xA3, std::string(1, static_cast<char>(b.fc[0]))); return true;
        case 0xAB: reply = BusReply(0x01, a, u8(b.rs485)); return true;
        case 0xB3: {
            const std::string field = dcField(b.measuredDcVolts());
            reply = BusReply(0x01, a, u8(field[0]), field.substr(1));
            return true;
        }
        case 0xB5: reply = BusReply(0x01, a, u8(b.fcAddVolt)); return true;
        case 0xB7: reply = BusReply(0x01, a, u8(b.dcOutType)); return true;
        case 0xB9: {
            std::string rest;
            for (size_t k = 1; k < b.fc.size(); ++k) rest += static_cast<char>(b.fc[k]);
            reply = BusReply(0x01, a, b.fc[0], rest);
            return true;
        }
        default: return false;
    }
}

}  // namespace tbcom::sim
