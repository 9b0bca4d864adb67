#include "bus/clock_tests.h"

#include <cmath>

#include "bus/error_tests.h"
#include "bus/frame.h"
#include "bus/transact.h"
#include "core/numbers.h"
#include "core/state.h"
#include "core/text.h"
#include "transport/timing.h"

namespace tbcom::bus {

namespace {

constexpr double kSecondsPerDay = 3600.0 * 24;
constexpr double kDailyResolution = 0.1;
constexpr std::uint8_t kCountRead = 0x28;
constexpr std::uint8_t kStatusRead = 0x03;
constexpr std::uint8_t kStop = 0x0C;

std::optional<std::string> resultText(const ClockCounts& c, double refHz, double f, int mode);

std::string clockUnitSend(std::uint8_t command, std::string_view data = {}) {
    return ClockBusTransact(core::state().benchPort, BuildBusFrame(BusText(0x01, kClockUnit, command, data)), true);
}

bool validPosition(int position) { return position >= 0 && position <= kMaxPosition; }

// Product of a count and the reference clock: exact in 64 bits when the
// reference is a whole number of hertz (it always is on a real bench).
double referenceProduct(std::int64_t count, double refHz) {
    if (refHz == std::floor(refHz) && std::fabs(refHz) < 1e12 && count >= 0 && count < 1000000)
        return static_cast<double>(count * static_cast<std::int64_t>(refHz));
    return static_cast<double>(count) * refHz;
}

// Modes 0..2 of a count read, or "" for another mode; nullopt on an
// arithmetic failure. Step 2 (b <= 0) is the caller's.
ClockReading countRead(const std::string& reply, double refHz, double f, int mode) {
    ClockReading r;
    if (IsRecvBad(reply)) return r;
    const ClockCounts c = ParseClockCounts(reply);
    if (c.b <= 0) {
        r.ok = true;
        return r;
    }
    auto text = ClockResultText(c, refHz, f, mode);
    if (!text) return r;
    r.text = *text;
    r.ok = true;
    return r;
}

}  // namespace

std::optional<std::int64_t> GatePulses(double seconds, double perSecond) {
    const double v = core::RoundHalfEven(seconds * perSecond);
    if (!std::isfinite(v) || v < 0 || v > 9.0e15) return std::nullopt;
    return static_cast<std::int64_t>(v);
}

std::optional<std::int64_t> ClockUnitRefPulses(std::int32_t seconds) {
    if (seconds < 0) return std::nullopt;
    return static_cast<std::int64_t>(seconds) * kClockUnitRefHz;
}

std::string ClockStartData(std::int64_t meterPulses, int meterWidth, std::int64_t refPulses, int refWidth) {
    return core::FormatPadded(meterPulses, meterWidth) + core::FormatPadded(refPulses, refWidth);
}

ClockCounts ParseClockCounts(std::string_view reply) {
    ClockCounts c;
    if (reply.size() > 3) c.a = core::TryTextToInt(reply.substr(3, 6)).value_or(0);
    if (reply.size() > 9) c.b = core::TryTextToInt(reply.substr(9, 12)).value_or(0);
    return c;
}

std::optional<std::string> ClockResultText(const ClockCounts& c, double refHz, double f, int mode) {
    auto text = resultText(c, refHz, f, mode);
    if (text && text->size() > kMaxResultText) return std::nullopt;
    return text;
}

namespace {
std::optional<std::string> resultText(const ClockCounts& c, double refHz, double f, int mode) {
    const double a = static_cast<double>(c.a), b = static_cast<double>(c.b);
    double v = 0;
    switch (mode) {
        case 0:
            if (b == 0) return std::nullopt;
            v = referenceProduct(c.a, refHz) / b;
            if (!std::isfinite(v)) return std::nullopt;
            return core::FormatFixed(v, 7);
        case 1:
            if (b == 0 || f == 0) return std::nullopt;
            v = (referenceProduct(c.a, refHz) / b / f - 1) * kSecondsPerDay;
            if (!std::isfinite(v)) return std::nullopt;
            return core::RoundToResolution(kDailyResolution, v);
        case 2: {
            if (refHz == 0 || f == 0 || a == 0) return std::nullopt;
            v = (b / refHz) / (a / f) - 1;
            if (!std::isfinite(v)) return std::nullopt;
            // Unlike the other patterns, a zero here is written without sign.
            const std::string t = core::FormatFixed(v, 3);
            return t == "-0.000" ? "0.000" : t;
        }
        default:
            return std::string();
    }
}
}  // namespace

bool StartPositionClock(int position, std::uint8_t command, double f, std::int32_t seconds) {
    if (!validPosition(position)) return false;
    const auto meter = GatePulses(seconds, f);
    const auto ref = GatePulses(seconds, core::state().stdFreq);
    if (!meter || !ref) return false;
    const std::uint8_t address = position == 0 ? kBroadcast : PositionAddress(position);
    const std::string frame = BuildBusFrame(BusText(0x01, address, command, ClockStartData(*meter, 6, *ref, 12)));
    return !IsRecvBad(BusTransact(core::state().benchPort, frame, true));
}

ClockReading ReadPositionClock(int position, double f, int mode) {
    if (!validPosition(position)) return {};
    const std::string frame = BuildBusFrame(BusText(0x01, PositionAddress(position), kCountRead));
    return countRead(BusTransact(core::state().benchPort, frame, true), core::state().stdFreq, f, mode);
}

bool StartClockUnit(std::uint8_t command, double f, std::int32_t seconds) {
    const auto meter = GatePulses(seconds, f);
    const auto ref = ClockUnitRefPulses(seconds);
    if (!meter || !ref) return false;
    const bool longForm = command != 0x02;
    const std::string data = longForm ? ClockStartData(*meter, 6, *ref, 12) : ClockStartData(*meter, 4, *ref, 9);
    return !IsRecvBad(clockUnitSend(command, data));
}

ClockReading ReadClockUnit(double f, int mode) {
    return countRead(clockUnitSend(kCountRead), static_cast<double>(kClockUnitRefHz), f, mode);
}

ClockReading ReadClockUnitStatus() {
    ClockReading r;
    const std::string reply = clockUnitSend(kStatusRead);
    if (IsRecvBad(reply) || reply.size() < 10) return r;
    const ErrorReading e = ParseStatusReply(reply);
    return {e.ok, e.text};
}

bool StopClockUnit() {
    clockUnitSend(kStop);
    transport::Delay(0.001);
    return !HasRecvBad(clockUnitSend(kStop));
}

bool SetReferenceClock(int state) {
    const std::uint8_t command = state == 1 ? 0x06 : 0x07;
    const std::string frame = BuildShortFrame(BusText(0x01, kClockUnit, command));
    return !IsRecvBad(BusTransact(core::state().benchPort, frame, true));
}

}  // namespace tbcom::bus
