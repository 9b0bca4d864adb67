// The dBASE reader on any file: header, field descriptors and records, the
// lookups of the harmonic correction, and the correction query through the
// file beside the host program. Input: order byte, channel byte, then the
// file's bytes.
#include <cstdint>
#include <string>

#include "harness.h"
#include "source/drivers/dbf_table.h"
#include "source/drivers/harmonics.h"

using namespace tbcom;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t order = in.byte(), channel = in.byte();
    const std::string bytes(in.rest());
    if (auto t = source::drivers::DbfTable::Parse(bytes)) {
        const std::size_t n = t->records();
        for (std::size_t r = 0; r < n && r < 64; ++r) {
            t->deleted(r);
            t->number(r, "XBCS");
            t->number(r, "DYAXZ");
        }
        if (auto row = t->findFirst("XBCS", order)) {
            if (*row >= n || t->deleted(*row)) fuzz::Fail("a lookup found a row that is not live");
        }
        for (std::int32_t c = 0; c <= 7; ++c) source::drivers::CorrectionOf(*t, order, c);
    }
    // The same file beside the host program, read through the platform.
    fuzz::FuzzBench bench({});
    bench.platform.files[bench.platform.dir + source::drivers::kCorrectionTableFile] = bytes;
    source::drivers::HarmCorrectionQuery(order, channel % 8);
    return 0;
}
