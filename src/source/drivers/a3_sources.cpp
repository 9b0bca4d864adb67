#include "source/drivers/a3_sources.h"

#include <algorithm>
#include <limits>

#include "core/numbers.h"
#include "source/drivers/driver_state.h"
#include "source/drivers/range_common.h"
#include "source/drivers/wiring_modes.h"
#include "source/output_record.h"
#include "stdmeter/frame_a3.h"
#include "stdmeter/std_state.h"
#include "transport/serial_port.h"
#include "transport/timing.h"

namespace tbcom::source::drivers {

namespace {

constexpr Step kDd7400Ranges[] = {
    {200, "000020"}, {1000, "000100"}, {5000, "000500"}, {20000, "002000"}, {kAbove, "010000"},
};
constexpr Step kTb8700bRanges[] = {
    {5, "000005"},       {10, "000010"},       {20, "000020"},       {50, "000050"},     {100, "000100"},
    {250, "000250"},     {500, "000500"},      {1000, "001000"},     {2500, "002500"},   {5000, "005000"},
    {10000, "010000"},   {25000, "025000"},    {50000, "050000"},    {kAbove, "100000"},
};

template <std::size_t N>
const char* ladder(const Step (&steps)[N], std::int64_t m) {
    for (const auto& s : steps)
        if (m <= s.bound) return s.code;
    return steps[N - 1].code;
}

bool synthesized() { return sourceOutput().waveType == 4; }

// The three-phase frame sources answer the phase frame's flag: every phase
// on its own (P1) in the three-phase wiring modes, phase A alone (P0) else.
std::string phaseFrame(std::int32_t wiringMode) {
    const bool each = (wiringMode >= 3 && wiringMode <= 6) || wiringMode == 100;
    const std::string p = each ? "01" : "00";
    return stdmeter::FrameA3("A501" + p + "000002" + p + "000003" + p + "0000");
}

// What the TB8760 and TB8700B share: the baud rate, the opening frame, the
// mode frame, a range frame per phase and the phase frame, then 0.5 s.
bool sendThreePhase(platform::PortHandle port, std::int32_t wiringMode, const std::string& voltageCode,
                    const std::string& currentCommand, const std::string& currentCode, double pause) {
    transport::SetCommBaud(port, stdmeter::stdState().dd7400Baud);
    if (pause > 0) transport::Delay(pause);
    const std::string frames = stdmeter::FrameA3("C027") +
                               stdmeter::FrameA3("C0" + std::string(WiringModeRow(wiringMode).tbFrame) + "0001") +
                               stdmeter::FrameA3("C101" + voltageCode + voltageCode + voltageCode) +
                               stdmeter::FrameA3(currentCommand + currentCode + currentCode + currentCode) +
                               phaseFrame(wiringMode);
    transport::WriteHexText(port, frames);
    transport::Delay(0.5);
    DriverState& st = driverState();
    st.lastModeCode = WiringModeRow(wiringMode).dd7400;
    st.lastVoltageRange = voltageCode;
    st.lastCurrentRange = currentCode;
    return true;
}

}  // namespace

std::string Dd7400VoltageCode(double voltage) {
    const double u = ClampedVoltage(voltage);
    return u <= 30 ? "003000" : u <= 60 ? "006000" : u <= 120 ? "012000" : u <= 240 ? "024000" : "048000";
}

std::string Dd7400CurrentCode(const std::string& model, double current) {
    if (model != "DD7400") return "";
    const std::int64_t m = RoundCount(ClampedCurrent(current), 1000);
    if (sourceOutput().waveType != 0) return ladder(kDd7400Ranges, m);
    // Six digits hold up to 9999.99 A; a wild request takes the top value
    // rather than a code that would break the frame.
    const std::int64_t tens = core::RoundToInt(static_cast<double>(m) / 10);
    return core::FormatPadded(std::clamp<std::int64_t>(tens, 0, 999999), 6);
}

std::string Tb8700bCurrentCode(const std::string& model, double current) {
    if (model != "TB8700B") return "";
    return ladder(kTb8700bRanges, RoundCount(ClampedCurrent(current), 1000));
}

std::string PickDd7400Voltage(const std::string&, double voltage) { return Dd7400VoltageCode(voltage); }
std::string PickDd7400Current(const std::string& model, double current) { return Dd7400CurrentCode(model, current); }
std::string PickTb8700bCurrent(const std::string& model, double current) { return Tb8700bCurrentCode(model, current); }

bool Dd7400Driver(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current) {
    const std::string mode = WiringModeRow(wiringMode).dd7400;
    const std::string u = Dd7400VoltageCode(voltage);
    const std::string i = Dd7400CurrentCode("DD7400", current);
    transport::SetCommBaud(port, stdmeter::stdState().dd7400Baud);
    transport::WriteHexText(port, stdmeter::FrameA3("C027") + stdmeter::FrameA3("C0" + mode + "0001") +
                                      stdmeter::FrameA3("C1" + u) + stdmeter::FrameA3("C2" + i));
    DriverState& st = driverState();
    st.lastVoltageRange = u;
    st.lastCurrentRange = i;
    transport::Delay(0.01);
    return true;
}

bool Tb8760Driver(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current) {
    const double i = synthesized() ? current * 1.5 : current;
    return sendThreePhase(port, wiringMode, Dd7400VoltageCode(voltage), "C201", Dd7400CurrentCode("DD7400", i), 0);
}

bool Tb8700bDriver(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current) {
    const double i = synthesized() ? current * 1.5 : current;
    return sendThreePhase(port, wiringMode, Dd7400VoltageCode(voltage), "CB01", Tb8700bCurrentCode("TB8700B", i),
                          0.5);
}

}  // namespace tbcom::source::drivers
