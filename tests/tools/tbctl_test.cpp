// tbctl as a shell runs it, on the simulated bench inside it: what it
// prints, its exit status, and the message of each kind of mistake.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

std::string Slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// tbctl with `args` (shell words), `input` on its standard input.
Outcome Tbctl(const std::string& args, const std::string& input = "") {
    // Files of their own per test: ctest runs the tests side by side.
    const std::string dir = ::testing::TempDir() + "tbctl-" +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".";
    std::ofstream(dir + "in", std::ios::binary) << input;
    const std::string cmd = std::string(TBCTL_PATH) + " " + args + " <" + dir + "in >" + dir + "out 2>" + dir + "err";
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(dir + "out"), Slurp(dir + "err")};
}

const char kBench[] = "--sim --std-meter kp3 --source kp ";

TEST(Tbctl, CallsPrintResultAndOutputsAndExitByTheResult) {
    struct Case {
        std::string args, input;
        int status;
        std::vector<const char*> out;  // each within stdout, in this order
        const char* err;               // within stderr
    } cases[] = {
        // A fresh bench puts out 220 V and 5 A until the first output.
        {std::string(kBench) + "StdMeter_Read KP8707C-66 3", "", 0,
         {"return=1\ndata=220.0000,220.0000,220.0000,5.0000,5.0000,5.0000,"}, ""},
        // Later calls see what earlier ones did; sleep lets the error test
        // run (2 pulses of meter 1, 0.5 % fast, are 12 s at 600 W: one result).
        {std::string(kBench) + "--meter 1:1000:0.5 -- -",
         "# output, then read it\nAdjust_UI 1 100 2 50 0 0 100 100 H 1.0 KP8707C-66 3\n"
         "StdMeter_Read \"KP8707C-66\" 3\nSetStdConst 10000\nError_Start 1 1000 2 3\nsleep 20\nError_Read 1 3\n",
         0,
         {"[2] Adjust_UI 1 100 2 50 0 0 100 100 H 1.0 KP8707C-66 3\nreturn=1\n[3] StdMeter_Read KP8707C-66 3\n"
          "return=1\ndata=100.0000,100.0000,100.0000,2.0000,2.0000,2.0000,",
          "\n[4] SetStdConst 10000\n[5] Error_Start 1 1000 2 3\nreturn=1\n[7] Error_Read 1 3\nreturn=1\nresult=1,0.500\n"},
         ""},
        {"--sim Error_Read 1 9", "", 1, {"return=0\nresult=\n"}, "tbctl: Error_Read failed (returned 0)"},
        {"--sim ErrorCircles_gFun COMX 1 5 0 0 0", "", 1, {"return=2\ncode="},
         "ErrorCircles_gFun failed (returned 2)"},
        {"--sim --bogus 1", "", 2, {}, "--sim: unknown option --bogus"},
        {"--sim Eror_Read 1 3", "", 2, {}, "unknown export 'Eror_Read'; did you mean Error_Read?"},
        {"--sim Error_Read 1", "", 2, {},
         "Error_Read takes 2 arguments (position port), 1 given\nusage: tbctl Error_Read position port -> result\n"},
        {"--sim Error_Read x1 3", "", 2, {}, "tbctl: Error_Read: position: 'x1' is not a byte 0..255\n"},
        {"--sim -", "SetStdConst 1\nError_Read 1 \"3\nError_Read 1 3\n", 2, {"[1] SetStdConst 1\n"},
         "tbctl: line 2: unterminated quote\n"},
        {"--sim --dir /tmp GetStdConst", "", 2, {}, "--sim: --dir has no use here"},
        {"list std", "", 2, {}, "no family matches 'std'"},
    };
    for (const auto& c : cases) {
        const Outcome r = Tbctl(c.args, c.input);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        size_t at = 0;
        for (const char* want : c.out) {
            at = r.out.find(want, at);
            EXPECT_NE(at, std::string::npos) << c.args << ": no " << want << " in\n" << r.out;
        }
        if (c.out.empty()) EXPECT_EQ(r.out, "") << c.args;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << "\n" << r.err;
    }
}

// How each kind of result tells a failure, as help states it and the exit
// status follows it.
TEST(Tbctl, FailureRuleComesFromTheDocs) {
    const std::pair<const char*, const char*> cases[] = {
        {"Error_Read", "returns: byte, 1 = success; fails when it returns 0"},
        {"Adjust_UI", "fails when it returns 0"},          // the family's doc
        {"VBreak_Read", "fails when it returns -1"},
        {"SourceClear_Fun", "succeeds only when it returns -1"},
        {"ErrorPules_gFun", "succeeds only when it returns -1"},
        {"RaiseVA", "never fails"},
        {"OperationHC_Free", "never fails"},
        {"GetStdConst", "returns: number; never fails"},
    };
    for (const auto& [name, rule] : cases) {
        const Outcome r = Tbctl(std::string("help ") + name);
        EXPECT_EQ(r.status, 0) << name;
        EXPECT_NE(r.out.find(rule), std::string::npos) << name << "\n" << r.out;
    }
}

}  // namespace
