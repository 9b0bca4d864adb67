// PLACEHOLDERS, to be replaced by the source drivers: until they exist a
// range request succeeds without traffic, the standard constant stays what
// it is and every picker answers "None" (so no range change is ever deferred).
#include "core/state.h"
#include "source/range_seam.h"

namespace tbcom::source {

namespace {
std::string g_lastVoltage = "None", g_lastCurrent = "None", g_lastMode;
const std::string kNone = "None";
}  // namespace

bool SetSourceRange(platform::PortHandle, std::int32_t, double, double) { return true; }
double RangeStdConst(double, double) { return core::state().stdConst; }

std::string DefaultVoltageRangeCode(const std::string&, double) { return kNone; }
std::string DefaultCurrentRangeCode(const std::string&, double) { return kNone; }
std::string ManualVoltageRangeCode(const std::string&, double) { return kNone; }
std::string LxVoltageRangeCode(const std::string&, double) { return kNone; }
std::string Dd7400VoltageRangeCode(const std::string&, double) { return kNone; }
std::string Dd7400CurrentRangeCode(const std::string&, double) { return kNone; }
std::string Tb8700bVoltageRangeCode(const std::string&, double) { return kNone; }
std::string Tb8700bCurrentRangeCode(const std::string&, double) { return kNone; }
std::string Vn74RangeCode(const std::string&, double) { return kNone; }
std::string Gf7400VoltageRangeCode(const std::string&, double) { return kNone; }

std::string& LastVoltageRange() { return g_lastVoltage; }
std::string& LastCurrentRange() { return g_lastCurrent; }
std::string& LastModeCode() { return g_lastMode; }

}  // namespace tbcom::source
