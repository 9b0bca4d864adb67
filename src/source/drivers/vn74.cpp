#include "source/drivers/vn74.h"

#include "core/ports.h"
#include "core/state.h"
#include "source/drivers/driver_state.h"
#include "source/drivers/hex_frame_answers.h"
#include "source/drivers/hex_frames.h"
#include "source/drivers/range_std_const.h"
#include "source/drivers/wiring_modes.h"
#include "transport/codecs.h"
#include "transport/serial_port.h"
#include "transport/timing.h"

namespace tbcom::source::drivers {

std::string Vn74ModeCode(std::int32_t wiringMode, bool allPhases) {
    const WiringModeCodes& row = WiringModeRow(wiringMode);
    return allPhases ? row.vn74AllPhases : row.vn74;
}

std::string PickVn74Voltage(const std::string&, double) { return "00"; }

bool Vn74Driver(platform::PortHandle, std::int32_t wiringMode, double voltage, double current) {
    // The port number comes from the model text, which an output request
    // reads after it opened its ports: open the VN-74 port now, as the
    // standard-meter reading does.
    if (core::state().vn74Port == 0) core::EnsurePorts();
    const platform::PortHandle port = transport::Usable(core::state().vn74Port);
    // A closed port reaches no source: the range is not set.
    if (port == 0) return false;
    DriverState& st = driverState();
    transport::WriteHexText(port, FrameA6("A61D000302" + Vn74ModeCode(wiringMode, st.allPhases) + "03"));
    ReceiveVn74Answer(port, 8);
    transport::Delay(0.05);

    const bool threePhase = (wiringMode >= 3 && wiringMode <= 7) || wiringMode == 100;
    const double k = RangeStdConst(voltage, current) / 1000;
    const std::string value = transport::EncodeDspFloat(1 / k);
    transport::WriteHexText(port, FrameA6("A632000700" + std::string(threePhase ? "01" : "00") + "00" + value));
    ReceiveVn74Answer(port, 4);

    st.lastVoltageRange = "00";
    st.lastCurrentRange = "00";
    transport::Delay(0.01);
    return true;
}

}  // namespace tbcom::source::drivers
