// End to end: an output request of wave type 4 through the built library,
// with a real "xbxz.dbf" and "tbtest.ini" beside the host program; benchsim
// writes the six tables its controller reassembled.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_session.h"
#include "dbf_tool.h"

namespace tbcom::e2e {
namespace {

class WaveE2E : public BenchSession {
protected:
    void TearDown() override {
        BenchSession::TearDown();
        for (const char* f : {"xbxz.dbf", "tbtest.ini"}) std::filesystem::remove(hostDir_ / f);
    }
    const std::filesystem::path hostDir_ = std::filesystem::canonical("/proc/self/exe").parent_path();
};

TEST_F(WaveE2E, WaveType4RequestDownloadsTheSynthesizedTables) {
    SKIP_WITHOUT_DBF_TOOLS();
    std::ofstream(hostDir_ / "xbxz.dbf", std::ios::binary)
        << test::WriteCorrectionTable({{"3", "0.5", "0", "0", "0", "0", "0"}});
    std::ofstream(hostDir_ / "tbtest.ini") << "[JIAODUXZ]\r\nUb=0\r\n";
    const auto waves = dir_ / "waves.txt";
    startBench({"--std-meter", "kp3", "--std-kind", "5", "--source", "kp", "--source-settle", "0", "--waves",
                waves.string()});
    lib_->SetHarmValue("U1", 3, 10, 0);  // voltage A only
    ASSERT_EQ(lib_->Adjust_UI(1, 220, 5, 50, 0, 0, 100, 100, "H", "1.0", "KP8707C-66", kPort), 1);
    ASSERT_EQ(lib_->Power_Off(kPort), 1);
    ASSERT_EQ(stopBench(), 0);
    std::ifstream in(waves);
    std::vector<std::string> tables;
    for (std::string line; std::getline(in, line);) tables.push_back(line);
    ASSERT_EQ(tables.size(), 6u);
    for (const auto& t : tables) EXPECT_EQ(t.size(), 1440u);
    // Voltages B and C are the pure sine 120 and 240 degrees (240 and 480
    // samples) late, so C is B a third of a period later, to the rounding;
    // voltage A alone carries the corrected third harmonic and is no
    // shifted copy of B.
    auto sample = [&](int channel, int k) { return std::stoi(tables[channel].substr(2 * ((k + 720) % 720), 2), nullptr, 16); };
    int cFromB = 0, aFromB = 0;
    for (int k = 0; k < 720; ++k) {
        cFromB = std::max(cFromB, std::abs(sample(2, k) - sample(1, k - 240)));
        aFromB = std::max(aFromB, std::abs(sample(0, k) - sample(1, k + 240)));
    }
    EXPECT_EQ(sample(0, 0), 0x80);
    EXPECT_LE(cFromB, 1);
    EXPECT_GE(aFromB, 5);
}

}  // namespace
}  // namespace tbcom::e2e
