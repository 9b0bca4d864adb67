// The harmonic value list as the waveform synthesis reads it: entries of
// any key, order, content and phase texts (as hosts put them in with
// SetHarmValue), the phase and power-factor texts of the request, and a
// correction table of any content; then the six waveforms. Input: mode,
// entry count, the request's two texts, the entries' texts, then the
// table's bytes.
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "core/lifecycle.h"
#include "harness.h"
#include "source/drivers/dbf_table.h"
#include "source/drivers/harmonics.h"
#include "source/wave_math.h"
#include "source/wave_synth.h"

using namespace tbcom;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t mode = in.byte(), count = in.byte();
    const std::string phase(in.text(16)), pf(in.text(16));
    source::drivers::HarmList list;
    list.count = static_cast<std::int8_t>(count);  // negative and oversized counts too
    for (auto& e : list.entries) {
        if (in.rest().empty()) break;
        e.key = in.text(4);
        e.order = in.text(8);
        e.content = in.text(24);
        e.phase = in.text(16);
    }
    // Entries through the host's path: the list refuses its 52nd.
    core::processAttach();
    for (int k = 0; k < (mode & 0x3F); ++k)
        source::drivers::AddHarmValue("U", k, k * 0.5, -k * 7.0);
    if (source::drivers::harmList().count > source::drivers::kHarmListSize) fuzz::Fail("harmonic list overfilled");
    source::AngleCorrections corr{};
    for (std::size_t i = 0; i < corr.size(); ++i) corr[i] = (mode & 0x40) ? 90.0 * static_cast<double>(i) - 200 : 0;
    const std::optional<source::drivers::DbfTable> table = source::drivers::DbfTable::Parse(std::string(in.rest()));
    // What the synthesis is given (its arithmetic on any amplitude is
    // checked by its own tests; here it would cost a thousand times the
    // list's reading).
    const auto channels = source::PlanWaves(phase, pf, mode >> 7, mode & 1, corr, table ? &*table : nullptr, list);
    for (const auto& c : channels)
        if (!std::isfinite(c.phi)) fuzz::Fail("a channel angle that is not finite");
    return 0;
}
