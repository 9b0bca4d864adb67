// The protocol trace against the simulated bench: every burst the bench line
// saw, in order, at the virtual-clock times of the wire log; nothing while
// off; a sink that fails never changes a call.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "core/lifecycle.h"
#include "core/trace.h"
#include "sim_fixture.h"

namespace tbcom::test {
namespace {

struct Burst {
    bool toHost;
    std::uint32_t ms;  // since the trace opened
    std::string settings, hex;
};

class TraceTest : public SimBenchTest {
protected:
    std::string path = (std::filesystem::temp_directory_path() /
                        ("tbcom_trace_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                         ".txt")).string();
    void SetUp() override {
        SimBenchTest::SetUp();
        std::filesystem::remove(path);
    }
    void TearDown() override {
        trace::Close();
        std::filesystem::remove(path);
        SimBenchTest::TearDown();
    }
    std::string contents() const {
        std::ifstream in(path);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    // The burst lines: "  12.345   COM3 -> 9600 8N1  #8  B1 03 ...  |...|".
    std::vector<Burst> bursts() const {
        std::vector<Burst> out;
        std::istringstream in(contents());
        for (std::string line; std::getline(in, line);) {
            const size_t arrow = line.find(" -> ") != std::string::npos ? line.find(" -> ") : line.find(" <- ");
            if (arrow == std::string::npos || line.find("COM3") == std::string::npos) continue;
            const size_t count = line.find("  #", arrow), hex = line.find("  ", count + 3), text = line.rfind("  |");
            unsigned s = 0, ms = 0;
            std::sscanf(line.c_str(), "%u.%u", &s, &ms);
            out.push_back({line[arrow + 1] == '<', s * 1000 + ms, line.substr(arrow + 4, count - arrow - 4),
                           line.substr(hex + 2, text - hex - 2)});
        }
        return out;
    }
};

TEST_F(TraceTest, AdjustShowsEveryFrameOfTheLineInOrderAtItsTime) {
    // The source's range commands and the meter's readings at 4800 baud,
    // the controller at 9600: the settings on each line change with them.
    bench.addStdMeter(sim::StdMeterModel::Plm6007, 5);
    bench.addSource(sim::SourceModel::Plm6007);
    bench.regulator().gainErrorPct = {0.3, -0.2, 0.1};
    bench.advance(1.2345);
    const std::uint32_t openMs = bench.clock.ms();
    ASSERT_TRUE(trace::OpenFile(path));
    ASSERT_EQ(Adjust_UI(1, 220, 5, 50, 0, 0, 100, 100, "H", "0.5L", "PLM 600.7", kPort), 1);
    trace::Close();

    const auto traced = bursts();
    const auto& wire = bench.line.log();
    ASSERT_EQ(traced.size(), wire.size()) << contents();
    for (size_t i = 0; i < wire.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& w = wire[i];
        EXPECT_EQ(traced[i].toHost, w.dir == sim::WireEntry::ToHost);
        EXPECT_EQ(traced[i].hex, Hex(w.bytes));
        EXPECT_EQ(traced[i].settings, std::to_string(w.settings.baud) + " 8" +
                                          "NOEMS"[static_cast<int>(w.settings.parity)] + "1");
        // A write at the moment it was made; a reply when its first byte had
        // arrived, the host waiting for it.
        const std::uint64_t at = w.atUs + (traced[i].toHost ? sim::Line::charUs(w.settings) : 0);
        EXPECT_EQ(traced[i].ms, static_cast<std::uint32_t>(bench.clock.baseMs + at / 1000 - openMs));
    }
    EXPECT_NE(contents().find("# tbcom protocol trace, opened 2026-12-06 09:30:15"), std::string::npos);
    EXPECT_NE(contents().find("  COM3 4800 8N1\n"), std::string::npos);
}

TEST_F(TraceTest, CallsShowArgumentsResultAndDuration) {
    ASSERT_TRUE(trace::OpenFile(path));
    bench.advance(0.25);
    const std::uint32_t before = bench.clock.ms();
    ASSERT_EQ(Error_Start(1, 1200, 2, 3), 1);
    const std::uint32_t took = bench.clock.ms() - before;
    trace::Close();
    const std::string t = contents();
    const size_t call = t.find("     0.250 > Error_Start(position=1, meterConstant=1200, circles=2, port=3)\n");
    const size_t write = t.find(" COM3 -> 9600 8N1  #");
    const size_t end = t.find("< Error_Start = 1  [0.");
    ASSERT_NE(call, std::string::npos) << t;
    EXPECT_LT(call, write);
    EXPECT_LT(write, end);
    char duration[32];
    std::snprintf(duration, sizeof duration, "[%u.%03u s]\n", took / 1000, took % 1000);
    EXPECT_EQ(t.find(duration), end + 19) << t;
}

TEST_F(TraceTest, RepeatedFailedOpensAndPurgesShowOnce) {
    ASSERT_TRUE(trace::OpenFile(path));
    for (int i = 0; i < 2; ++i) ASSERT_EQ(Error_Start(1, 1200, 2, 3), 1);  // each tries the unset VN-74 port
    trace::Close();
    const std::string t = contents();
    auto count = [&](const std::string& part) {
        int n = 0;
        for (size_t at = t.find(part); at != std::string::npos; at = t.find(part, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("COM0 open failed"), 1) << t;
    EXPECT_EQ(count("COM3 purge\n"), 2) << t;  // the opening's purge and the first write's make one
    EXPECT_EQ(count("COM3 -> "), 2) << t;
}

TEST_F(TraceTest, OffWritesNothingAndLeavesThePlatformUntouched) {
    ASSERT_TRUE(trace::OpenFile(path));
    trace::Close();
    const std::string header = contents();
    EXPECT_FALSE(trace::On());
    EXPECT_EQ(&platform::current(), &bench.platform);
    trace::CallStart("Error_Start", "1, 1200, 2, 3");
    ASSERT_EQ(Error_Start(1, 1200, 2, 3), 1);
    EXPECT_EQ(contents(), header);
    EXPECT_FALSE(trace::OpenFile("/no/such/folder/trace.txt"));
    EXPECT_FALSE(trace::On());
}

TEST_F(TraceTest, SinkFailingInTheMiddleOfACallChangesNothing) {
    ProbePlatform probe(bench.clock);
    probe.attach(kPort, bench.line);
    platform::install(&probe);
    ASSERT_EQ(Error_Start(1, 1200, 2, 3), 1);  // the port is open from here on
    bench.line.clearLog();
    ASSERT_EQ(Error_Start(1, 1200, 2, 3), 1);
    const auto untraced = writes();
    bench.line.clearLog();
    { std::ofstream(path) << "x"; }
    std::FILE* readOnly = std::fopen(path.c_str(), "r");
    ASSERT_NE(readOnly, nullptr);
    int waits = 0;
    probe.onWait = [&] {
        if (waits++ == 0) trace::OpenStream(readOnly);  // its header cannot be written
    };
    ASSERT_TRUE(trace::OpenFile(path + ".2"));
    EXPECT_EQ(Error_Start(1, 1200, 2, 3), 1);
    EXPECT_GT(waits, 0);
    EXPECT_EQ(writes(), untraced);
    EXPECT_FALSE(trace::On());
    EXPECT_EQ(&platform::current(), &probe);
    std::fclose(readOnly);
    std::filesystem::remove(path + ".2");
    core::processDetach();  // while the probe still exists
    platform::install(&bench.platform);
}

}  // namespace
}  // namespace tbcom::test
