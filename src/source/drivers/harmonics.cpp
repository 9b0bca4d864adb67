#include "source/drivers/harmonics.h"

#include <charconv>
#include <optional>

#include "platform/platform.h"
#include "source/drivers/controller_write.h"
#include "source/drivers/dbf_table.h"
#include "source/output_record.h"
#include "transport/modbus_rtu.h"

namespace tbcom::source::drivers {

namespace {

HarmList g_list;

// The correction table is a few dozen rows; a file far larger than any such
// table is not read into memory.
constexpr std::size_t kTableMaxBytes = 16u << 20;
constexpr std::uint16_t kSegmentBase = 0x0101;

constexpr const char* kCorrectionFields[6] = {"DYAXZ", "DYBXZ", "DYCXZ", "DLAXZ", "DLBXZ", "DLCXZ"};

std::string shortestText(double v) {
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, p) : std::string("0");
}

}  // namespace

std::optional<DbfTable> LoadCorrectionTable() {
    auto& os = platform::current();
    std::string bytes;
    if (!os.fileRead(os.programDir() + kCorrectionTableFile, bytes, kTableMaxBytes)) return std::nullopt;
    return DbfTable::Parse(std::move(bytes));
}

HarmList& harmList() { return g_list; }
void resetHarmList() { g_list = HarmList{}; }

void SetHarmonicData(const std::array<double, 3>& a, const std::array<std::int32_t, 3>& b,
                     const std::array<double, 3>& uContent, const std::array<double, 3>& iContent) {
    OutputRecord& o = sourceOutput();
    o.harmA = a;
    o.harmB = b;
    o.harmUContent = uContent;
    o.harmIContent = iContent;
    o.waveType = 2;
}

bool AddHarmValue(std::string_view key, std::int32_t order, double content, double phase) {
    sourceOutput().waveType = 4;
    if (g_list.count >= kHarmListSize || g_list.count < 0) return false;
    g_list.entries[static_cast<std::size_t>(g_list.count)] = {std::string(key), std::to_string(order),
                                                             shortestText(content), shortestText(phase)};
    ++g_list.count;
    return true;
}

double CorrectionOf(const DbfTable& table, std::int32_t order, std::int32_t channel) {
    if (channel < 1 || channel > 6) return 0;
    auto row = table.findFirst("XBCS", order);
    return row ? table.number(*row, kCorrectionFields[channel - 1]) : 0;
}

double HarmCorrectionQuery(std::int32_t order, std::int32_t channel) {
    if (channel < 1 || channel > 6) return 0;
    auto table = LoadCorrectionTable();
    return table ? CorrectionOf(*table, order, channel) : 0;
}

bool WaveSegmentWrite(std::int32_t channel, std::int32_t segment, std::string_view data) {
    if (channel < 1 || channel > 6 || segment < 1 || segment > 3) return false;
    const auto reg = static_cast<std::uint16_t>((channel - 1) * 3 + kSegmentBase + segment);
    return ControllerWriteSequence(transport::kBenchController, reg, data);
}

}  // namespace tbcom::source::drivers
