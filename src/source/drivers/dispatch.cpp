#include "source/drivers/dispatch.h"

#include "core/state.h"
#include "source/drivers/a3_sources.h"
#include "source/drivers/driver_state.h"
#include "source/drivers/gf7400.h"
#include "source/drivers/lx_registers.h"
#include "source/drivers/manual_mode.h"
#include "source/drivers/ms_ub_ib.h"
#include "source/drivers/range_common.h"
#include "source/drivers/vn74.h"
#include "source/drivers/wb412i.h"
#include "stdmeter/link.h"

namespace tbcom::source::drivers {

namespace {

bool noSettings(platform::PortHandle, std::int32_t, double, double) { return true; }

const std::vector<SourceDriverRow> kTable = {
    {1, {"DD7400"}, "DD7400 frames", Dd7400Driver, PickDd7400Voltage, PickDd7400Current},
    {2, {"PLM 600.7"}, "manual-mode text", ManualModeDriver, PickManualVoltage, PickNoRange},
    {2, {"ZAK-K6009"}, "manual-mode text", ManualModeDriver, PickDefaultVoltage, PickDefaultCurrent},
    {3, {"LX-7000B", "LX-7000D"}, "LX-7000 registers", Lx7000Driver, PickLx7000Voltage, PickNoRange},
    {4, {"LX-7000C"}, "LX-7000C registers", Lx7000CDriver, PickLastVoltage, PickLastCurrent},
    {5, {"LX-9700"}, "LX-9700 record", Lx9700Driver, PickLastVoltage, PickLastCurrent},
    {6, {"TB8760"}, "TB8760 frames", Tb8760Driver, PickDd7400Voltage, PickDd7400Current},
    {7, {"VN-74"}, "VN-74 frames", Vn74Driver, PickVn74Voltage, PickNoRange},
    {8, {"WB412I"}, "WB412I ratio register", Wb412iDriver, PickDefaultVoltage, PickDefaultCurrent},
    {9, {"GF7400", "GF7404A"}, "GF frames", GfDriver, PickGfVoltage, PickNoRange},
    {10, {"TB8700B"}, "TB8700B frames", Tb8700bDriver, PickDd7400Voltage, PickTb8700bCurrent},
    {11, {""}, "none", noSettings, PickDefaultVoltage, PickDefaultCurrent},
    {12, {"TORVA"}, "none", noSettings, PickLastVoltage, PickLastCurrent},
    {13, {}, "MS/UB/IB text", MsUbIbDriver, PickDefaultVoltage, PickDefaultCurrent},
};

double scaledSmallCurrent(double current) {
    if (core::state().reviseMode != 2) return current;
    if (RoundCount(current, 10000) <= 12) return current * 100;
    if (RoundCount(current, 1000) <= 12) return current * 10;
    return current;
}

}  // namespace

const std::vector<SourceDriverRow>& SourceDriverTable() { return kTable; }

const SourceDriverRow& SourceDriverFor(const std::string& model) {
    for (const auto& row : kTable) {
        if (row.designations.empty()) return row;
        for (const auto& d : row.designations)
            if (d == model) return row;
    }
    return kTable.back();
}

std::string PickNoRange(const std::string&, double) { return "None"; }
std::string PickLastVoltage(const std::string&, double) { return driverState().lastVoltageRange; }
std::string PickLastCurrent(const std::string&, double) { return driverState().lastCurrentRange; }

bool SetSourceRange(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current) {
    current = scaledSmallCurrent(current);
    if (!stdmeter::StdLink_Set(port, true)) return false;
    const SourceDriverRow& row = SourceDriverFor(Designation());
    bool result = false;
    try {
        result = row.driver(port, wiringMode, voltage, current);
    } catch (...) {
        // The line goes back to the bus on every way out.
        stdmeter::StdLink_Set(port, false);
        throw;
    }
    stdmeter::StdLink_Set(port, false);
    return result;
}

}  // namespace tbcom::source::drivers
