// Exports of the clock-test family.
#include "api/host_io.h"
#include "bus/clock_tests.h"

using tbcom::api::Guard;
using tbcom::api::OpenBench;
using tbcom::api::TextOut;
namespace bus = tbcom::bus;

namespace {

constexpr std::uint8_t kPositionStart = 0x27;
constexpr std::uint8_t kLongStart = 0x3F;
constexpr std::uint8_t kShortStart = 0x02;

// Longest texts of the position reads and the clock unit's status.
constexpr size_t kLongestResult = 24;
constexpr size_t kLongestStatus = 9;

// A read hands its text to the host whatever the outcome (empty on failure).
tbcom_bool handOver(char** result, const bus::ClockReading& r, size_t longest = kLongestResult) {
    return TextOut(result, r.text, longest) && r.ok;
}

}  // namespace

extern "C" {

tbcom_bool tbcom_impl_Clock_Error_Start(uint8_t position, double frequency, int32_t seconds, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        return OpenBench(port) && bus::StartPositionClock(position, kPositionStart, frequency, seconds);
    });
}

tbcom_bool tbcom_impl_Clock_SD_Start(uint8_t position, double frequency, int32_t seconds, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        return OpenBench(port) && bus::StartPositionClock(position, kLongStart, frequency, seconds);
    });
}

tbcom_bool tbcom_impl_Clock_Error_Read(char** result, double frequency, uint8_t mode, uint8_t position,
                                        uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        if (!OpenBench(port)) return handOver(result, {});
        return handOver(result, bus::ReadPositionClock(position, frequency, mode));
    });
}

tbcom_bool tbcom_impl_Clock_Test_Start(double frequency, int32_t seconds, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return OpenBench(port) && bus::StartClockUnit(kShortStart, frequency, seconds); });
}

tbcom_bool tbcom_impl_Clock_Test_StartL(double frequency, int32_t seconds, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return OpenBench(port) && bus::StartClockUnit(kLongStart, frequency, seconds); });
}

tbcom_bool tbcom_impl_Clock_Test_Read(char** result, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        if (!OpenBench(port)) return handOver(result, {});
        return handOver(result, bus::ReadClockUnitStatus(), kLongestStatus);
    });
}

tbcom_bool tbcom_impl_Clock_Test_ReadL(char** result, double frequency, uint8_t mode, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        if (!OpenBench(port)) return handOver(result, {});
        return handOver(result, bus::ReadClockUnit(frequency, mode));
    });
}

tbcom_bool tbcom_impl_Clock_Test_Stop(uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return OpenBench(port) && bus::StopClockUnit(); });
}

tbcom_bool tbcom_impl_SetRefClock(uint8_t state, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return OpenBench(port) && bus::SetReferenceClock(state); });
}

}  // extern "C"
