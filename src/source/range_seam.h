// What the output computation takes from the source drivers, in one place:
//   drivers::SetSourceRange(port, wiringMode, volts, amperes) -> bool
//   drivers::RangeStdConst(volts, amperes) -> double
//   the range pickers (model, volts or amperes) -> code text: PickDefault*,
//     PickManualVoltage, PickLx7000Voltage, PickDd7400*, PickTb8700bCurrent,
//     PickVn74Voltage, PickGfVoltage, PickNoRange
//   drivers::driverState(): lastVoltageRange / lastCurrentRange / lastModeCode,
//     and allPhases, which the computation sets for the VN-74 driver
#pragma once

#include "source/drivers/a3_sources.h"
#include "source/drivers/dispatch.h"
#include "source/drivers/driver_state.h"
#include "source/drivers/gf7400.h"
#include "source/drivers/lx_registers.h"
#include "source/drivers/manual_mode.h"
#include "source/drivers/ms_ub_ib.h"
#include "source/drivers/range_std_const.h"
#include "source/drivers/vn74.h"
