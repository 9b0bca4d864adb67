#include "source/drivers/ms_ub_ib.h"

#include <array>
#include <limits>
#include <span>
#include <string_view>

#include "core/debug_log.h"
#include "core/text.h"
#include "instruments/amplifier.h"
#include "source/drivers/driver_state.h"
#include "source/drivers/range_common.h"
#include "source/drivers/wiring_modes.h"
#include "stdmeter/receivers.h"
#include "stdmeter/std_state.h"
#include "transport/serial_port.h"
#include "transport/timing.h"

namespace tbcom::source::drivers {

namespace {

// Mode codes of the two families; the last row serves every other mode.
struct FamilyModeRow {
    std::int32_t mode;
    const char* singlePhase;
    const char* threePhase;
};
constexpr FamilyModeRow kFamilyModes[] = {
    {1, "0", "0"}, {2, "0", "3"}, {3, "0", "2"}, {4, "0", "5"}, {5, "0", "1"},
    {6, "0", "4"}, {7, "1", "1"}, {100, "1", "1"}, {0, "0", "0"},  // last: any other mode
};

constexpr std::int64_t kAbove = std::numeric_limits<std::int64_t>::max();

// One row of a current table, on n = current in units of 0.1 mA: the code
// of the first row whose bound n does not exceed. hCode replaces the code
// while the H-variant flag is set, bigBenchCode while MaxCurrent >= 150.
struct CurrentStep {
    std::int64_t bound;
    const char* code;
    const char* hCode = nullptr;
    const char* bigBenchCode = nullptr;
};

constexpr CurrentStep k460A[] = {
    {130, "0B"},    {200, "0B"},    {250, "0A"},    {500, "0A"},     {1000, "09"},    {2000, "08"},   {2500, "07"},
    {5000, "07"},   {10000, "06"},  {20000, "05"},  {25000, "04"},   {50000, "04"},   {100000, "03"}, {120000, "03"},
    {200000, "02"}, {250000, "01"}, {500000, "01"}, {1000000, "00"}, {kAbove, "00"},
};
constexpr CurrentStep kStandard[] = {
    {130, "0B", "0C"}, {200, "0B"},     {250, "0B"},     {500, "0A"},     {1000, "09"},    {2000, "08"},
    {2500, "08"},      {5000, "07"},    {10000, "06"},   {20000, "05"},   {25000, "05"},   {50000, "04"},
    {100000, "03"},    {120000, "02"},  {200000, "02"},  {250000, "02"},  {500000, "01"},  {1000000, "00"},
    {kAbove, "00"},
};
constexpr CurrentStep k600A[] = {
    {130, "0B", "0C"},  {200, "0B", "0C"}, {250, "0B", "0C"}, {500, "0B"},          {1000, "0A"},
    {2000, "09"},       {2500, "08"},      {5000, "08"},      {10000, "07"},        {20000, "05", nullptr, "06"},
    {25000, "05"},      {50000, "05"},     {100000, "04"},    {120000, "03"},       {200000, "03"},
    {250000, "02"},     {500000, "02"},    {1000000, "01"},   {kAbove, "00"},
};

struct CurrentColumn {
    std::array<std::string_view, 4> models;
    std::span<const CurrentStep> steps;
};
const CurrentColumn kColumns[] = {
    {{"KP8707C-66-460A"}, k460A},
    {{"KP8707C-66", "KP8404C-67", "MGV766-06", "MGV466-06"}, kStandard},
    {{"KP8707C-66-600A", "KP8707C-66_K6", "KP8404C-67_K6", "KP8404C-67-600A"}, k600A},
};

std::string columnCode(const std::string& model, std::int64_t n) {
    const auto& st = stdmeter::stdState();
    for (const auto& col : kColumns) {
        bool named = false;
        for (auto m : col.models) named = named || (!m.empty() && model == m);
        if (!named) continue;
        for (const auto& s : col.steps) {
            if (n > s.bound) continue;
            if (s.hCode && st.hVariant) return s.hCode;
            if (s.bigBenchCode && st.maxCurrent >= 150) return s.bigBenchCode;
            return s.code;
        }
    }
    return "";
}

// One command, up to three attempts 0.1 s apart; then 0.1 s more.
bool sendAcknowledged(platform::PortHandle h, const std::string& command, const std::string& ack) {
    std::string reply;
    for (int attempt = 0; attempt < 3; ++attempt) {
        transport::WriteRaw(h, command);
        reply = stdmeter::ReceiveWithSemicolon(h, 6);
        transport::Delay(0.1);
        if (reply == ack) break;
    }
    transport::Delay(0.1);
    // A reply that is not the acknowledgement (a refusal) counts as a
    // failure too: the source did not take the setting.
    return reply == ack;
}

}  // namespace

std::string MsModeCode(const std::string& model, std::int32_t wiringMode) {
    const bool single = core::Contains(model, "KP8404C") || model == "MGV466-06";
    const bool three = core::Contains(model, "KP8707C") || model == "MGV766-06";
    if (!single && !three) return "";
    const FamilyModeRow* row = &kFamilyModes[sizeof kFamilyModes / sizeof kFamilyModes[0] - 1];
    for (const auto& r : kFamilyModes)
        if (r.mode == wiringMode) row = &r;
    return single ? row->singlePhase : row->threePhase;
}

std::string MsVoltageCode(double voltage) {
    const double u = ClampedVoltage(voltage);
    return u <= 60 ? "3" : u <= 120 ? "2" : u <= 240 ? "1" : "0";
}

std::string MsCurrentCode(const std::string& model, double current) {
    const std::int64_t n = RoundCount(ClampedCurrent(current), 10000);
    std::string code = columnCode(model, n);
    if (model == "KP8707C-66_K6" && stdmeter::stdState().hVariant && n > 100000 && n <= 500000) code = "02";
    if (n == 0) code = "00";
    if (!instruments::amplifier().enabled && stdmeter::stdState().maxCurrent == 12) code = n <= 50000 ? "04" : "03";
    return code;
}

std::string PickDefaultVoltage(const std::string&, double voltage) { return MsVoltageCode(voltage); }
std::string PickDefaultCurrent(const std::string& model, double current) { return MsCurrentCode(model, current); }

bool MsUbIbDriver(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current) {
    const std::string& model = Designation();
    DriverState& st = driverState();
    const std::string modeCode = MsModeCode(model, wiringMode);
    const std::string voltageCode = MsVoltageCode(voltage);
    const std::string currentCode = MsCurrentCode(model, current);
    const char* fixedMode = WiringModeRow(wiringMode).msCommand;
    const struct {
        std::string command, ack, code;
        std::string* cache;
        const char* failure;
    } steps[] = {
        {fixedMode ? fixedMode : "MS" + modeCode + "\r", "MSACK;", modeCode, &st.lastModeCode, "phase set failed;"},
        {"UB" + voltageCode + "\r", "UBACK;", voltageCode, &st.lastVoltageRange, "voltage set failed;"},
        {"IB" + currentCode + "\r", "IBACK;", currentCode, &st.lastCurrentRange, "current set failed;"},
    };
    std::string errors;
    for (const auto& s : steps) {
        if (sendAcknowledged(port, s.command, s.ack)) *s.cache = s.code;
        else errors += s.failure;
    }
    if (!errors.empty()) core::WriteDebugLog(errors);
    return errors.empty();
}

}  // namespace tbcom::source::drivers
