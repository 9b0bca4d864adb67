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

tbcom_bool tbcom_impl_Set_Pulse_Channel(uint8_t position, uint8_t channel, uint8_t port) {
    return runAt(position, port, [&] { return bus::SetPulseChannel(position, channel); });
}

tbcom_bool tbcom_impl_Set_CWChl(int32_t channel, uint8_t port) {
    return run(port, [&] { return bus::SetComparisonChannel(channel); });
}

tbcom_bool tbcom_impl_Set_CWPhase(uint8_t phase, uint8_t port) {
    return run(port, [&] { return bus::SetComparisonPhase(phase); });
}

tbcom_bool tbcom_impl_SelectCircuit(uint8_t circuit, uint8_t port) {
    return run(port, [&] { return bus::SelectCircuit(circuit); });
}

tbcom_bool tbcom_impl_CutNeutral(uint8_t n, uint8_t port) {
    return run(port, [&] { return bus::CutNeutral(n); });
}

tbcom_bool tbcom_impl_SetPowerTest(uint8_t state, uint8_t port) {
    return run(port, [&] { return bus::SetPowerTest(state); });
}

tbcom_bool tbcom_impl_Search_mark(uint8_t position, uint8_t port) {
    return runAt(position, port, [&] { return bus::StartMarkSearch(position); });
}

tbcom_bool tbcom_impl_Search_mark_Result(uint8_t position, uint8_t port) {
    return runAt(position, port, [&] { return bus::MarkFound(position); });
}

tbcom_bool tbcom_impl_CRPSTA_start(uint8_t position, uint8_t port) {
    return runAt(position, port, [&] { return bus::StartCreepTest(position); });
}

tbcom_bool tbcom_impl_CRPSTA_clear(uint8_t position, uint8_t port) {
    return runAt(position, port, [&] { return bus::ClearCreepTest(position); });
}

tbcom_bool tbcom_impl_CRPSTA_Result(uint8_t position, uint8_t port) {
    return runAt(position, port, [&] { return bus::CreepTestPassed(position); });
}

tbcom_bool tbcom_impl_AutoSub(uint8_t position, uint8_t port) {
    return runAt(position, port, [&] { return bus::StartAutoSub(position); });
}

tbcom_bool tbcom_impl_AutoSub_Reset(uint8_t position, uint8_t port) {
    return runAt(position, port, [&] { return bus::ResetAutoSub(position); });
}

tbcom_bool tbcom_impl_ConstTest_Start(uint8_t position, double meterConstant, uint8_t port) {
    return runAt(position, port, [&] { return bus::StartConstantTest(position, meterConstant); });
}

tbcom_bool tbcom_impl_Count_Start(uint8_t position, uint8_t port) {
    return runAt(position, port, [&] { return bus::StartPulseCount(position); });
}

tbcom_bool tbcom_impl_Set_485_Channel(uint8_t position, int32_t state, uint8_t port) {
    return runAt(position, port, [&] { return bus::SwitchRs485Channel(position, static_cast<uint8_t>(state & 0xFF)); });
}

tbcom_bool tbcom_impl_Set_485_ChannelS(uint8_t position, uint8_t state, uint8_t port) {
    return runAt(position, port, [&] { return bus::SetRs485ChannelSingle(position, state); });
}

tbcom_bool tbcom_impl_TripModeEn(int32_t mode, uint8_t position, uint8_t port) {
    return runAt(position, port, [&] { return bus::EnableTripMode(mode, position); });
}

tbcom_bool tbcom_impl_VoltFall(uint8_t port, int32_t position, double t1, double t2, int32_t count) {
    return runAt(position, port, [&] { return bus::StartVoltageFall(static_cast<uint8_t>(position), t1, t2, count); });
}

tbcom_bool tbcom_impl_Power_Measure_CTL(uint8_t channel, uint8_t mode, uint8_t port) {
    return run(port, [&] { return bus::ControlPowerMeasure(channel, mode); });
}

tbcom_bool tbcom_impl_Count_Read(int32_t* count, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        if (!bus::ValidPosition(position) || !OpenBench(port)) return false;
        bus::CountReading r = bus::ReadMeterPulseCount(position);
        if (count) *count = r.count;
        return r.ok;
    });
}

tbcom_bool tbcom_impl_ConstPulse_Read(double* energy, double* stdEnergy, double meterConstant,
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

tbcom_bool tbcom_impl_STD_Pulse_Read(double* count, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        if (!bus::ValidPosition(position) || !OpenBench(port)) return false;
        bus::ValueReading r = bus::ReadStdPulseCount(position);
        if (r.ok && count) *count = r.value;
        return r.ok;
    });
}

tbcom_bool tbcom_impl_Trip_Read(int32_t* state, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        if (!bus::ValidPosition(position) || !OpenBench(port)) return false;
        bus::TripReading r = bus::ReadTripState(position);
        if (state) *state = r.state;
        return r.ok;
    });
}

tbcom_bool tbcom_impl_IO_Read(char** text, uint8_t port) {
    return readText(port, text, 4, [] { return bus::ReadInputStates(); });
}

tbcom_bool tbcom_impl_PowerLossU_Read(char** text, uint8_t position, uint8_t port) {
    return bus::ValidPosition(position) &&
           readText(port, text, 11, [&] { return bus::ReadPowerLossVoltage(position); });
}

tbcom_bool tbcom_impl_PowerLossI_Read(char** text, uint8_t position, uint8_t port) {
    return bus::ValidPosition(position) &&
           readText(port, text, 10, [&] { return bus::ReadPowerLossCurrent(position); });
}

tbcom_bool tbcom_impl_Power_Measure_Read_Single(char** text, uint8_t channel, uint8_t operation,
                                                 uint8_t quantity, uint8_t port) {
    return readText(port, text, 6, [&] { return bus::ReadPowerMeasureSingle(channel, operation, quantity); });
}

tbcom_bool tbcom_impl_Power_Measure_Read(char** text, uint8_t position, uint8_t wiring, uint8_t port) {
    return bus::ValidPosition(position) &&
           readText(port, text, 90, [&] { return bus::ReadPowerMeasure(position, wiring); });
}

}  // extern "C"
