#include "source/drivers/gf7400.h"

#include "source/drivers/driver_state.h"
#include "source/drivers/hex_frame_answers.h"
#include "source/drivers/hex_frames.h"
#include "source/drivers/range_common.h"
#include "source/drivers/wiring_modes.h"
#include "transport/recv_bad.h"
#include "transport/serial_port.h"

namespace tbcom::source::drivers {

namespace {

constexpr int kAnswerBytes = 7;

// Sends one frame and reads its answer: true when a good answer came. (A
// write the port drops shows as a missing answer.)
bool answered(platform::PortHandle port, const std::string& frame) {
    transport::WriteHexText(port, frame);
    return !transport::IsRecvBad(ReceiveGfAnswer(port, kAnswerBytes));
}

}  // namespace

std::string GfVoltageCode(double voltage) {
    const double u = ClampedVoltage(voltage);
    return u <= 80 ? "04" : u <= 160 ? "03" : u <= 320 ? "02" : "01";
}

std::string GfCurrentCode(double current) {
    const std::int64_t c = RoundCount(ClampedCurrent(current), 100);
    return c <= 100 ? "03" : c <= 1000 ? "01" : "02";
}

std::string GfSubRangeCommand(std::int32_t wiringMode) { return wiringMode >= 3 && wiringMode <= 6 ? "32" : "31"; }

std::string GfSubRangeCode(double current) {
    const std::int64_t c = RoundCount(ClampedCurrent(current), 100);
    // Within each current range: its lowest sub-range "03" / "02", its full
    // range "01".
    return c <= 10 ? "03" : c <= 50 ? "02" : c <= 100 ? "01" : c <= 500 ? "02" : c <= 1000 ? "01" : c <= 5000 ? "02" : "01";
}

std::string PickGfVoltage(const std::string&, double voltage) { return GfVoltageCode(voltage); }

bool GfDriver(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current) {
    // Only an unanswered mode or current frame is a failure.
    DriverState& st = driverState();
    const std::string mode = WiringModeRow(wiringMode).gf;
    if (mode != st.lastModeCode) {
        if (!answered(port, Frame02("42", mode))) return false;
        st.lastModeCode = mode;
    }
    const std::string u = GfVoltageCode(voltage);
    if (answered(port, Frame02("53", u))) st.lastVoltageRange = u;
    const std::string i = GfCurrentCode(current);
    if (!answered(port, Frame02("30", i))) return false;
    st.lastCurrentRange = i;
    answered(port, Frame02(GfSubRangeCommand(wiringMode), GfSubRangeCode(current)));
    if (Designation() == "GF7400") answered(port, Frame02("35", "01"));
    return true;
}

}  // namespace tbcom::source::drivers
