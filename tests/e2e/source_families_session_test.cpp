// End to end: an output request on a bench of each source protocol family
// (A3 frames, A6 frames on the VN-74's own port, 02 frames, registers), with
// the standard meter of the same family; the correction of a source 0.5 %
// high brings the reading to the request.
#include <gtest/gtest.h>

#include <string>

#include "bench_session.h"

namespace tbcom::e2e {
namespace {

class SourceFamiliesE2E : public BenchSession {};

TEST_F(SourceFamiliesE2E, AdjustConvergesOnEachFamily) {
    const struct {
        const char* device;  // benchsim's name for the source and the meter
        const char* model;   // the host's
    } rows[] = {{"tb8760", "TB8760"}, {"vn74", "VN-74,2"}, {"gf7400", "GF7400"}, {"lx7000", "LX-7000D"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.device);
        startBench({"--std-meter", r.device, "--source", r.device, "--std-kind", "5", "--source-error", "0.5",
                    "--source-settle", "1"});
        EXPECT_EQ(lib_->Adjust_UI(1, 220, 5, 50, 0, 0, 100, 100, "H", "1.0", r.model, kPort), 1);
        bool ok = false;
        const std::string text = readText(ok, [&](char** p) { return lib_->StdMeter_Read(p, r.model, kPort); });
        ASSERT_TRUE(ok) << text;
        EXPECT_NEAR(std::stod(SplitFields(text)[0]), 220, 220 * 0.003) << text;
        EXPECT_EQ(lib_->Power_Off(kPort), 1);
        ASSERT_EQ(stopBench(), 0);
        lib_->Dll_Port_Close();
    }
}

}  // namespace
}  // namespace tbcom::e2e
