// The error calculator of a position: counts standard-meter pulses over the
// given number of the meter's own pulses and reports the relative error.
#include <cmath>
#include <cstdio>

#include "position_unit.h"

namespace tbcom::sim {

ErrorResult CurrentError(PositionUnit& u, std::uint64_t nowUs) {
    ErrorResult r;
    const ErrorMeasurement& e = u.error;
    const MeterUnderTest& m = u.meter();
    const double power = u.world().source.activePowerW();
    if (!e.running || e.circles <= 0 || m.constant <= 0 || power <= 0) return r;
    // True energy (kWh) over which the meter emits `circles` pulses.
    const double energy = static_cast<double>(e.circles) / (m.constant * (1 + m.errorPct / 100));
    const double periodUs = energy * 3.6e9 / power * 1e3;
    r.completed = static_cast<std::int64_t>(static_cast<double>(nowUs - e.startUs) / periodUs);
    if (r.completed == 0) return r;
    const double stdCounted = energy * u.world().stdConst;
    const double errPct = (static_cast<double>(e.stdPulses) - stdCounted) / stdCounted * 100;
    r.thousandths = std::llround(errPct * 1000);
    if (r.thousandths > 99999) r.thousandths = 99999;
    if (r.thousandths < -99999) r.thousandths = -99999;
    return r;
}

bool HandleErrorCommand(PositionUnit& u, const BusFrame& f, Line& line, std::string& reply) {
    switch (f.command) {
        case 0x02: {  // start: circles (4 digits), standard pulses (9 digits), correction
            if (f.data.size() < 13) return false;
            const std::int64_t circles = std::atoll(f.data.substr(0, 4).c_str());
            const std::int64_t pulses = std::atoll(f.data.substr(4, 9).c_str());
            u.error = ErrorMeasurement{};
            if (circles != 0 || pulses != 0) {
                u.error.running = true;
                u.error.circles = circles;
                u.error.stdPulses = pulses;
                u.error.correction = f.data.substr(13);
                u.error.startUs = line.nowUs();
            }
            reply = BusReply(0x01, u.address(), 0x02);
            return true;
        }
        case 0x03: {  // read the latest error
            if (f.start != 0x01) return false;
            ErrorResult r = CurrentError(u, line.nowUs());
            const char status = r.completed == 0 ? '0' : static_cast<char>('1' + (r.completed - 1) % 9);
            reply = BusReply(0x01, u.address(), static_cast<std::uint8_t>(status),
                             RightAligned(std::to_string(r.thousandths), 6));
            return true;
        }
        case 0x0C:  // clear
            u.error = ErrorMeasurement{};
            reply = BusReply(0x01, u.address(), 0x0C);
            return true;
        default:
            return false;
    }
}

}  // namespace tbcom::sim
