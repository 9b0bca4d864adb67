#include "bus/position_tests.h"

#include <cmath>
#include <string>

#include "bus/frame.h"
#include "bus/transact.h"
#include "core/numbers.h"
#include "core/state.h"
#include "transport/timing.h"

namespace tbcom::bus {

namespace {

constexpr std::uint8_t kUnitA = 0x41;

std::string send(std::uint8_t address, std::uint8_t command, const std::string& data = {},
                 std::uint8_t start = 0x01) {
    return BusTransact(core::state().benchPort, BuildBusFrame(BusText(start, address, command, data)), true);
}

bool accepted(const std::string& reply) { return !IsRecvBad(reply); }

// The single character with code 0x30 + n, as the units take small numbers.
std::string digit(int n) { return std::string(1, static_cast<char>(0x30 + n)); }

std::uint8_t eitherAddress(std::uint8_t position) {
    return position == 0 ? kBroadcast : PositionAddress(position);
}

// Only a reply whose status character (char 4) is "1" reports success.
bool statusIsOne(const std::string& reply) {
    return !reply.empty() && !IsRecvBad(reply) && reply.size() >= 4 && reply[3] == '1';
}

// Standard pulses per meter pulse, padded behind six zeros.
std::string constantTestData(std::int64_t n) { return "000000" + core::FormatPadded(n, 6); }

bool startConstant(std::uint8_t position, std::int64_t n) {
    const std::string data = constantTestData(n);
    if (position != 0) return accepted(send(PositionAddress(position), 0x15, data));
    // Unit "A" first, so the bench-wide counter starts with the positions.
    send(kUnitA, 0x15, data);
    transport::Delay(0.01);
    return accepted(send(kBroadcast, 0x15, data));
}

// Seconds in tenths, capped at 6000 s, as six digits.
std::string tenthsField(double seconds) {
    if (seconds >= 6000 || std::isnan(seconds)) seconds = 6000;
    return core::FormatPadded(core::RoundToInt(seconds * 10), 6);
}

struct TripModeBytes {
    char command;
    const char* data;
};
constexpr TripModeBytes kTripModes[] = {
    {'=', "0"}, {'=', "1"}, {'=', "2"}, {'C', "1"}, {'C', "0"}, {'D', "0"},
    {'D', "1"}, {'D', "2"}, {'D', "3"}, {'6', "30"}, {'6', "31"},
};

}  // namespace

bool SetPulseChannel(std::uint8_t position, std::uint8_t channel) {
    return accepted(send(eitherAddress(position), 0x11, digit(channel)));
}

bool SetComparisonChannel(std::int32_t channel) {
    // Only the low byte reaches the wire (digit() keeps a byte), so the
    // subtraction is made on it: no overflow for any host value.
    const int low = channel & 0xFF;
    const int c = low < 4 ? low - 1 : low;
    return accepted(send(kUnitA, 0x36, digit(c)));
}

bool SetComparisonPhase(std::uint8_t phase) { return accepted(send(kUnitA, 0x3C, digit(phase))); }

bool SelectCircuit(std::uint8_t circuit) {
    if (!accepted(send(kUnitA, 0x11, digit(circuit)))) return false;
    transport::Delay(1.0);
    return true;
}

bool CutNeutral(std::uint8_t n) { return accepted(send(0x42, 0x2F, digit(n) + "1")); }

bool SetPowerTest(std::uint8_t state) {
    const std::string t = BusText(0x02, 0x08, state == 1 ? '0' : '1');
    return accepted(BusTransact(core::state().benchPort, BuildShortFrame(t), true));
}

bool StartMarkSearch(std::uint8_t position) { return accepted(send(eitherAddress(position), 0x07)); }
bool MarkFound(std::uint8_t position) { return statusIsOne(send(PositionAddress(position), 0x08)); }
bool StartCreepTest(std::uint8_t position) { return accepted(send(eitherAddress(position), 0x09)); }

bool ClearCreepTest(std::uint8_t position) {
    const std::uint8_t a = PositionAddress(position);
    send(a, 0x0C);
    return accepted(send(a, 0x09));
}

bool CreepTestPassed(std::uint8_t position) { return statusIsOne(send(PositionAddress(position), 0x0A)); }
bool StartAutoSub(std::uint8_t position) { return !HasRecvBad(send(eitherAddress(position), 0x42)); }
bool ResetAutoSub(std::uint8_t position) { return !HasRecvBad(send(eitherAddress(position), 0x31)); }

bool StartConstantTest(std::uint8_t position, double meterConstant) {
    const auto n = StdPulseCount(1, meterConstant, 6);
    return n && startConstant(position, *n);
}

bool StartPulseCount(std::uint8_t position) { return startConstant(position, 1000); }

bool SetRs485ChannelSingle(std::uint8_t position, std::uint8_t state) {
    return accepted(send(eitherAddress(position), 0x10, state == 1 ? "0" : "1"));
}

bool EnableTripMode(std::int32_t mode, std::uint8_t position) {
    if (mode < 1 || mode > 11) return false;
    const TripModeBytes& m = kTripModes[mode - 1];
    return !HasRecvBad(send(eitherAddress(position), static_cast<std::uint8_t>(m.command), m.data));
}

bool StartVoltageFall(std::uint8_t position, double t1, double t2, std::int32_t count) {
    const std::string data = tenthsField(t1) + tenthsField(t2) + core::FormatPadded(count, 6);
    return !HasRecvBad(send(eitherAddress(position), 0x2E, data));
}

bool ControlPowerMeasure(std::uint8_t channel, std::uint8_t mode) {
    static constexpr char kModeChar[] = {'1', '0', '2'};
    if (mode > 2) return false;
    const auto address = static_cast<std::uint8_t>(0xA9 + channel);
    return accepted(send(address, static_cast<std::uint8_t>(kModeChar[mode]), {}, 0x02));
}

}  // namespace tbcom::bus
