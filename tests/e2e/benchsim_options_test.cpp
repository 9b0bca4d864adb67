// benchsim's command line: bad options are refused before anything is set
// up, and a wire log that cannot be written makes the exit status say so.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench_session.h"

namespace tbcom::e2e {
namespace {

struct BadOptions {
    std::vector<std::string> args;
    const char* why;  // part of the message
};

TEST(BenchsimOptions, BadOptionsExitWithUsage) {
    const BadOptions cases[] = {
        {{"--clock", "0:1"}, "bad --clock 0:1"},
        {{"--clock", "1"}, "bad --clock 1"},
        {{"--clock", "1:fast"}, "bad --clock"},
        {{"--clock", "4:1"}, "--clock position out of range"},
        {{"--std-meter", "dt9"}, "unknown --std-meter dt9"},
        {{"--std-error", "0.1"}, "--std-error needs --std-meter"},
        {{"--std-meter", "kp3", "--std-kind", "0"}, "bad --std-kind 0"},
        {{"--std-meter", "kp3", "--std-kind", "10"}, "bad --std-kind 10"},
        {{"--std-meter", "kp3", "--max-current", "5"}, "bad --max-current 5"},
        {{"--std-meter", "kp3", "--std-error", "100"}, "bad --std-error 100"},
        {{"--wire-log"}, "missing value for --wire-log"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"--dir", "/tmp/tbcom-e2e-unused"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::string err;
        EXPECT_EQ(RunToExit(BENCHSIM_PATH, args, err), 2) << c.why;
        EXPECT_NE(err.find(c.why), std::string::npos) << err;
        EXPECT_NE(err.find("usage: benchsim"), std::string::npos) << err;
    }
}

class BenchsimWireLog : public BenchSession {};

TEST_F(BenchsimWireLog, UnwritableWireLogMakesTheExitStatusOne) {
    std::string error;
    ASSERT_TRUE(sim_.start(BENCHSIM_PATH, dir_.string(),
                           {"--std-meter", "kp3", "--wire-log", (dir_ / "no-such-dir" / "wire.log").string()}, error))
        << error;
    EXPECT_EQ(sim_.stop(), 1);
}

}  // namespace
}  // namespace tbcom::e2e
