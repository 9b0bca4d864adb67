// End to end: one reading of each standard-meter protocol family through the
// built library from benchsim (source at 220 V, 5 A; meter 0.1 % high).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench_session.h"

namespace tbcom::e2e {
namespace {

class StdMeterFamiliesE2E : public BenchSession {};

TEST_F(StdMeterFamiliesE2E, OneReadingPerFamily) {
    // meter: benchsim's name; model: the host's; first: field 1, the voltage or
    // the current of a current meter.
    const struct { const char* meter; const char* model; size_t fields; double first; } rows[] = {
        {"tb8760", "TB8760", 28, 220.22},   // A3 frames
        {"lx7000", "LX-7000D", 24, 220.22},  // registers
        {"gf7400", "GF7400", 13, 220.22},   // GF decimal fields
        {"torva", "TORVA", 1, 5.005},       // Modbus input registers
        {"wb412u", "WB412U", 1, 220.22},
        {"vn74", "VN-74,2", 28, 220.22},    // on its own port, last: it stays open
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.meter);
        startBench({"--std-meter", r.meter, "--std-kind", "5", "--std-error", "0.1"});
        bool ok = false;
        const std::string text = readText(ok, [&](char** p) {
            **p = 0;
            return lib_->StdMeter_Read(p, r.model, kPort);
        });
        EXPECT_TRUE(ok);
        const auto f = SplitFields(text);
        ASSERT_EQ(f.size(), r.fields) << text;
        EXPECT_NEAR(std::stod(f[0]), r.first, 0.006) << text;
        ASSERT_EQ(stopBench(), 0);
    }
}

}  // namespace
}  // namespace tbcom::e2e
