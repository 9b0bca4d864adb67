// The bus reply reader and its checks (length by command, checksum, refusal,
// retries), the clock unit's variant, and the readers of the position units
// and the clock unit that parse what comes back. Input: mode, address,
// command, then the unit's replies (harness.h).
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "bus/clock_tests.h"
#include "bus/error_tests.h"
#include "bus/frame.h"
#include "bus/position_readings.h"
#include "bus/transact.h"
#include "core/state.h"
#include "harness.h"

using namespace tbcom;

namespace {

// Three attempts of at most 6 s each (2 s of silence after the last stored
// byte, 6 s in all) with 0.1 s between them, plus writing the frames.
constexpr double kTransactBoundS = 3 * 6.0 + 2 * 0.1 + 1.0;

void readers(std::uint8_t which, std::uint8_t position, std::uint8_t arg) {
    switch (which % 12) {
        case 0: fuzz::Trace("error", bus::ReadError(position).text); break;
        case 1: bus::ReadPositionClock(position, 1.0 + arg, arg % 3); break;
        case 2: bus::ReadClockUnit(1.0 + arg, arg % 3); break;
        case 3: bus::ReadClockUnitStatus(); break;
        case 4: bus::ReadMeterPulseCount(position); break;
        case 5: bus::ReadConstantTestEnergy(position, arg * 100.0); break;
        case 6: bus::ReadStdPulseCount(position); break;
        case 7: bus::ReadTripState(position); break;
        case 8: bus::ReadInputStates(); break;
        case 9: bus::ReadPowerLossVoltage(position); break;
        case 10: bus::ReadPowerLossCurrent(position); break;
        default:
            bus::ReadPowerMeasure(position, arg % 8);
            bus::ReadPowerMeasureSingle(position, arg & 3, arg >> 4);
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t mode = in.byte(), address = in.byte(), command = in.byte();
    fuzz::FuzzBench bench(in.rest());
    bench.clock.baseMs = fuzz::TickBase(mode);
    const auto h = bench.benchPort();
    core::state().stdMeterKind = 0;  // no link hand-over: every burst is the unit's
    const std::uint64_t start = bench.clock.us;
    double bound = kTransactBoundS;
    switch (mode & 3) {
        case 0: {
            const std::uint8_t startByte = (mode & 4) ? 0x02 : 0x01;
            std::string reply = bus::BusTransact(h, bus::BuildBusFrame(bus::BusText(startByte, address, command, "1")), true);
            fuzz::Trace("reply", reply);
            const int len = bus::BusReplyLength(startByte, address, command);
            if (!bus::IsRecvBad(reply) && static_cast<int>(reply.size()) != len && address != bus::kBroadcast)
                fuzz::Fail("bus reply of the wrong length");
            break;
        }
        case 1:
            bus::ClockBusTransact(h, bus::BuildBusFrame(bus::BusText(0x01, address, command, "12")), true);
            break;
        default:
            readers(command, static_cast<std::uint8_t>(address % 40), mode >> 2);
            bound *= 4;  // a reader makes at most a few exchanges
            break;
    }
    fuzz::CheckBound(bench, start, bound);
    if (core::state().busBusy) fuzz::Fail("BusBusy left set");
    return 0;
}
