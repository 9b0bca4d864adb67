#include "bus/error_tests.h"

#include "bus/frame.h"
#include "bus/rs485_switch.h"
#include "bus/transact.h"
#include "core/numbers.h"
#include "core/state.h"
#include "core/text.h"
#include "instruments/amplifier.h"
#include "transport/timing.h"

namespace tbcom::bus {

namespace {

const std::string kResetData(13, '0');

std::string send(std::uint8_t address, std::uint8_t command, const std::string& data = {}) {
    return BusTransact(core::state().benchPort, BuildBusFrame(BusText(0x01, address, command, data)), true);
}

std::uint8_t eitherAddress(int position) {
    return position == 0 ? kBroadcast : PositionAddress(position);
}

// The six data characters of a 0x03 reply as an integer, if they are one.
std::optional<std::int64_t> errorField(const std::string& reply, std::string& trimmed) {
    trimmed = core::Trim(core::MidText(reply, 5, 6));
    return core::TryTextToInt(trimmed);
}

bool statusIsOne(const std::string& reply) {
    return !reply.empty() && !IsRecvBad(reply) && reply.size() >= 4 && reply[3] == '1';
}

}  // namespace

std::string CorrectionField(double c) {
    std::string t = core::FormatFixed(c, 2);
    if (!t.empty() && t[0] == '-') t[0] = '1';
    else t.insert(0, "0");
    if (t.size() >= 3) t.erase(2, 1);
    return t.substr(0, 4);
}

bool StartErrorRaw(int position, std::int64_t circles, std::int64_t stdPulses) {
    const std::string data = core::FormatPadded(circles, 4) + core::FormatPadded(stdPulses, 9);
    return !IsRecvBad(send(eitherAddress(position), 0x02, data));
}

bool StartError(int position, double meterConstant, std::int64_t circles, const std::string& correction) {
    const double k = instruments::scaledMeterConstant(meterConstant);
    const auto s = StdPulseCount(circles, k, 9);
    if (!s) return false;  // nothing sensible to send
    const std::string data = core::FormatPadded(circles, 4) + core::FormatPadded(*s, 9) + correction;
    return !IsRecvBad(send(eitherAddress(position), 0x02, data));
}

ErrorReading ReadError(std::uint8_t position) {
    ErrorReading r;
    const std::string reply = send(PositionAddress(position), 0x03);
    if (IsRecvBad(reply)) return r;
    return ParseStatusReply(reply);
}

ErrorReading ParseStatusReply(const std::string& reply) {
    ErrorReading r;
    std::string trimmed;
    auto n = errorField(reply, trimmed);
    if (!n) {
        r.text = trimmed;
        return r;
    }
    r.text = std::string(1, reply[3]) + "," + core::FormatFixed(static_cast<double>(*n) / 1000, 3);
    r.ok = true;
    return r;
}

bool ClearAll() {
    send(kBroadcast, 0x0C);
    transport::Delay(0.001);
    const bool clearOk = !HasRecvBad(send(kBroadcast, 0x0C));
    send(kBroadcast, 0x02, kResetData);
    transport::Delay(0.001);
    const bool resetOk = !HasRecvBad(send(kBroadcast, 0x02, kResetData));
    return clearOk && resetOk;
}

bool ClearPosition(std::uint8_t position) {
    const std::uint8_t a = PositionAddress(position);
    const bool clearOk = !HasRecvBad(send(a, 0x0C));
    transport::Delay(0.001);
    const bool resetOk = !HasRecvBad(send(a, 0x02, kResetData));
    return clearOk && resetOk;
}

bool ResetAll() {
    send(kBroadcast, 0x02, kResetData);
    transport::Delay(0.001);
    return !HasRecvBad(send(kBroadcast, 0x02, kResetData));
}

std::string PassThrough(std::uint8_t address, std::uint8_t command, const std::string& data) {
    std::string d = data;
    if (!d.empty() && d[0] == '#') d = core::HexByteSum(d.substr(1));
    return send(address, command, d);
}

bool PulseCheck(int position) { return statusIsOne(send(PositionAddress(position), 0x0A)); }

OrderResult RunOrder(int order, int p) {
    OrderResult r;
    auto flag = [&](bool ok) {
        r.ok = ok;
        r.writesFirst = true;
        r.first = ok ? "6" : "15";
    };
    const std::uint8_t a = PositionAddress(p);
    switch (order) {
        case 2: {
            const std::string reply = send(a, 0x03);
            std::string trimmed;
            std::optional<std::int64_t> n;
            if (!IsRecvBad(reply)) n = errorField(reply, trimmed);
            r.writesFirst = r.writesSecond = true;
            if (n) {
                r.ok = true;
                r.first = core::FormatFixed(static_cast<double>(*n) / 1000, 3);
                r.second = std::string(1, reply[3]);
            } else {
                r.first = "15";
            }
            return r;
        }
        case 3: flag(!IsRecvBad(send(eitherAddress(p), 0x04))); return r;
        case 4: flag(!IsRecvBad(send(eitherAddress(p), 0x07))); return r;
        case 5: flag(statusIsOne(send(a, 0x08))); return r;
        case 6:
        case 7: flag(!IsRecvBad(send(eitherAddress(p), 0x09))); return r;
        case 8: flag(statusIsOne(send(a, 0x0A))); return r;
        case 9: flag(!IsRecvBad(send(eitherAddress(p), 0x0B))); return r;
        case 10:
        case 11:
            r.ok = SwitchRs485Channel(static_cast<std::uint8_t>(p), order == 10 ? 1 : 0);
            return r;
        case 13:
        case 14:
        case 15:
            r.ok = true;
            return r;
        case 16: flag(!IsRecvBad(send(a, 0x11, "8"))); return r;
        case 17: flag(!IsRecvBad(send(a, 0x11, "0"))); return r;
        default:
            return r;  // 0, 1, 12 and anything outside 0..17: nothing sent
    }
}

}  // namespace tbcom::bus
