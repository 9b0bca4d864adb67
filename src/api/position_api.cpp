// Exports of the position switching and test-command family: store the port,
// ensure the ports, run the command, hand back the result.
#include "api/host_io.h"
#include "bus/frame.h"
#include "bus/position_readings.h"
#include "bus/position_tests.h"
#include "bus/rs485_switch.h"

using tbcom::api::Guard;
using tbcom::api::OpenBench;
using tbcom::api::TextOut;
namespace bus = tbcom::bus;

namespace {

// Opens the bench, then runs a command that returns a Boolean.
template <class F>
tbcom_bool run(uint8_t port, F&& command) {
    return Guard<tbcom_bool>(0, [&] { return OpenBench(port) && command(); });
}

// As run, for a command addressed to a position: a position no single
// address serves is refused before anything is sent.
template <class F>
tbcom_bool runAt(std::int64_t position, uint8_t port, F&& command) {
    return bus::ValidPosition(position) && run(port, command);
}

// Opens the bench, runs a text reading and hands its text to the host. A
// text longer than the export's stated longest (`maxLen`) is never written:
// the host gets the empty text and result 0.
template <class F>
tbcom_bool readText(uint8_t port, char** text, size_t maxLen, F&& reading) {
    return Guard<tbcom_bool>(0, [&] {
        if (!OpenBench(port)) return false;
        bus::TextReading r = reading();
        return TextOut(text, r.text, maxLen) && r.ok;
    });
}

}  // namespace

extern "C" {

TBCOM_API tbcom_bool TBCOM_CALL Set_Pulse_Channel(uint8_t position, uint8_t channel, uint8_t port) {
    return runAt(position, port, [&] { return bus::SetPulseChannel(position, channel); });
}

TBCOM_API tbcom_bool TBCOM_CALL Set_CWChl(int32_t channel, uint8_t port) {
    return run(port, [&] { return bus::SetComparisonChannel(channel); });
}

TBCOM_API tbcom_bool TBCOM_CALL Set_CWPhase(uint8_t phase, uint8_t port) {
    return run(port, [&] { return bus::SetComparisonPhase(phase); });
}

TBCOM_API tbcom_bool TBCOM_CALL SelectCircuit(uint8_t circuit, uint8_t port) {
    return run(port, [&] { return bus::SelectCircuit(circuit); });
}

TBCOM_API tbcom_bool TBCOM_CALL CutNeutral(uint8_t n, uint8_t port) {
    return run(port, [&] { return bus::CutNeutral(n); });
}

TBCOM_API tbcom_bool TBCOM_CALL SetPowerTest(uint8_t state, uint8_t port) {
    return run(port, [&] { return bus::SetPowerTest(state); });
}

TBCOM_API tbcom_bool TBCOM_CALL Search_mark(uint8_t position, uint8_t port) {
    return runAt(position, port, [&] { return bus::StartMarkSearch(position); });
}

TBCOM_API tbcom_bool TBCOM_CALL Search_mark_Result(uint8_t position, uint8_t port) {
    return runAt(position, port, [&] { return bus::MarkFound(position); });
}

TBCOM_API tbcom_bool TBCOM_CALL CRPSTA_start(uint8_t position, uint8_t port) {
    return runAt(position, port, [&] { return bus::StartCreepTest(position); });
}

TBCOM_API tbcom_bool TBCOM_CALL CRPSTA_clear(uint8_t position, uint8_t port) {
    return runAt(position, port, [&] { return bus::ClearCreepTest(position); });
}

TBCOM_API tbcom_bool TBCOM_CALL CRPSTA_Result(uint8_t position, uint8_t port) {
    return runAt(position, port, [&] { return bus::CreepTestPassed(position); });
}

TBCOM_API tbcom_bool TBCOM_CALL AutoSub(uint8_t position, uint8_t port) {
    return runAt(position, port, [&] { return bus::StartAutoSub(position); });
}

TBCOM_API tbcom_bool TBCOM_CALL AutoSub_Reset(uint8_t position, uint8_t port) {
    return runAt(position, port, [&] { return bus::ResetAutoSub(position); });
}

TBCOM_API tbcom_bool TBCOM_CALL ConstTest_Start(uint8_t position, double meterConstant, uint8_t port) {
    return runAt(position, port, [&] { return bus::StartConstantTest(position, meterConstant); });
}

TBCOM_API tbcom_bool TBCOM_CALL Count_Start(uint8_t position, uint8_t port) {
    return runAt(position, port, [&] { return bus::StartPulseCount(position); });
}

TBCOM_API tbcom_bool TBCOM_CALL Set_485_Channel(uint8_t position, int32_t state, uint8_t port) {
    return runAt(position, port, [&] { return bus::SwitchRs485Channel(position, static_cast<uint8_t>(state & 0xFF)); });
}

TBCOM_API tbcom_bool TBCOM_CALL Set_485_ChannelS(uint8_t position, uint8_t state, uint8_t port) {
    return runAt(position, port, [&] { return bus::SetRs485ChannelSingle(position, state); });
}

TBCOM_API tbcom_bool TBCOM_CALL TripModeEn(int32_t mode, uint8_t position, uint8_t port) {
    return runAt(position, port, [&] { return bus::EnableTripMode(mode, position); });
}

TBCOM_API tbcom_bool TBCOM_CALL VoltFall(uint8_t port, int32_t position, double t1, double t2, int32_t count) {
    return runAt(position, port, [&] { return bus::StartVoltageFall(static_cast<uint8_t>(position), t1, t2, count); });
}

TBCOM_API tbcom_bool TBCOM_CALL Power_Measure_CTL(uint8_t channel, uint8_t mode, uint8_t port) {
    return run(port, [&] { return bus::ControlPowerMeasure(channel, mode); });
}

TBCOM_API tbcom_bool TBCOM_CALL Count_Read(int32_t* count, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        if (!bus::ValidPosition(position) || !OpenBench(port)) return false;
        bus::CountReading r = bus::ReadMeterPulseCount(position);
        if (count) *count = r.count;
        return r.ok;
    });
}

TBCOM_API tbcom_bool TBCOM_CALL ConstPulse_Read(double* energy, double* stdEnergy, double meterConstant,
                                                 uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        if (!bus::ValidPosition(position) || !OpenBench(port)) return false;
        bus::EnergyReading r = bus::ReadConstantTestEnergy(position, meterConstant);
        if (!r.ok) return false;
        if (energy) *energy = r.energy;
        if (stdEnergy) *stdEnergy = r.stdEnergy;
        return true;
    });
}

TBCOM_API tbcom_bool TBCOM_CALL STD_Pulse_Read(double* count, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        if (!bus::ValidPosition(position) || !OpenBench(port)) return false;
        bus::ValueReading r = bus::ReadStdPulseCount(position);
        if (r.ok && count) *count = r.value;
        return r.ok;
    });
}

TBCOM_API tbcom_bool TBCOM_CALL Trip_Read(int32_t* state, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        if (!bus::ValidPosition(position) || !OpenBench(port)) return false;
        bus::TripReading r = bus::ReadTripState(position);
        if (state) *state = r.state;
        return r.ok;
    });
}

TBCOM_API tbcom_bool TBCOM_CALL IO_Read(char** text, uint8_t port) {
    return readText(port, text, 4, [] { return bus::ReadInputStates(); });
}

TBCOM_API tbcom_bool TBCOM_CALL PowerLossU_Read(char** text, uint8_t position, uint8_t port) {
    return bus::ValidPosition(position) &&
           readText(port, text, 11, [&] { return bus::ReadPowerLossVoltage(position); });
}

TBCOM_API tbcom_bool TBCOM_CALL PowerLossI_Read(char** text, uint8_t position, uint8_t port) {
    return bus::ValidPosition(position) &&
           readText(port, text, 10, [&] { return bus::ReadPowerLossCurrent(position); });
}

TBCOM_API tbcom_bool TBCOM_CALL Power_Measure_Read_Single(char** text, uint8_t channel, uint8_t operation,
                                                           uint8_t quantity, uint8_t port) {
    return readText(port, text, 6, [&] { return bus::ReadPowerMeasureSingle(channel, operation, quantity); });
}

TBCOM_API tbcom_bool TBCOM_CALL Power_Measure_Read(char** text, uint8_t position, uint8_t wiring, uint8_t port) {
    return bus::ValidPosition(position) &&
           readText(port, text, 90, [&] { return bus::ReadPowerMeasure(position, wiring); });
}

}  // extern "C"
