// benchsim: the simulated bench on a pseudo-terminal, in real time, for the
// library built as a shared object (end-to-end tests, demos, a host under
// development).
//
//   benchsim --dir DIR [--com N] [--positions P] [--meter POS:CONST:ERRPCT]...
//            [--silent POS]... [--std-const X]
//
// Prints "READY DIR/COM<N>" once the link is in place, then serves until
// SIGTERM or SIGINT, removes the link and exits 0. Bad arguments exit 2, a
// terminal that cannot be set up exits 1.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "bench.h"
#include "core/numbers.h"
#include "core/text.h"
#include "pty_link.h"
#include "realtime_pump.h"

namespace {

volatile sig_atomic_t g_stop = 0;
void onSignal(int) { g_stop = 1; }

struct MeterArg {
    int position;
    double constant;
    double errorPct;
};

struct Args {
    std::string dir;
    int com = 3;
    int positions = 3;
    std::vector<MeterArg> meters;
    std::vector<int> silent;
    std::optional<double> stdConst;
};

int usage(const std::string& why) {
    std::fprintf(stderr,
                 "benchsim: %s\nusage: benchsim --dir DIR [--com N] [--positions P] "
                 "[--meter POS:CONST:ERRPCT]... [--silent POS]... [--std-const X]\n",
                 why.c_str());
    return 2;
}

std::optional<int> intArg(const std::string& text, int lo, int hi) {
    auto v = tbcom::core::TryTextToInt(text);
    if (!v || *v < lo || *v > hi) return std::nullopt;
    return static_cast<int>(*v);
}

// Parses argv into `a`; an error text when something is wrong.
std::optional<std::string> parse(int argc, char** argv, Args& a) {
    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        if (i + 1 >= argc) return "missing value for " + opt;
        const std::string val = argv[++i];
        if (opt == "--dir") {
            a.dir = val;
        } else if (opt == "--com") {
            auto n = intArg(val, 1, 255);
            if (!n) return "bad --com " + val;
            a.com = *n;
        } else if (opt == "--positions") {
            auto n = intArg(val, 1, 60);
            if (!n) return "bad --positions " + val;
            a.positions = *n;
        } else if (opt == "--meter") {
            auto pos = tbcom::core::TryTextToInt(tbcom::core::SepField(val, ":", 1));
            auto k = tbcom::core::TryTextToFloat(tbcom::core::SepField(val, ":", 2));
            auto e = tbcom::core::TryTextToFloat(tbcom::core::SepField(val, ":", 3));
            if (!pos || !k || !e || *k <= 0) return "bad --meter " + val + " (want POS:CONST:ERRPCT)";
            a.meters.push_back({static_cast<int>(*pos), *k, *e});
        } else if (opt == "--silent") {
            auto n = intArg(val, 1, 60);
            if (!n) return "bad --silent " + val;
            a.silent.push_back(*n);
        } else if (opt == "--std-const") {
            auto x = tbcom::core::TryTextToFloat(val);
            if (!x || *x <= 0) return "bad --std-const " + val;
            a.stdConst = *x;
        } else {
            return "unknown option " + opt;
        }
    }
    if (a.dir.empty()) return std::string("--dir is required");
    for (auto& m : a.meters)
        if (m.position < 1 || m.position > a.positions) return "--meter position out of range";
    for (int p : a.silent)
        if (p > a.positions) return "--silent position out of range";
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    Args args;
    if (auto err = parse(argc, argv, args)) return usage(*err);

    tbcom::sim::Bench bench(tbcom::sim::BenchConfig{args.com, args.positions});
    for (auto& m : args.meters) {
        auto& meter = bench.world.meters.at(static_cast<size_t>(m.position - 1));
        meter.constant = m.constant;
        meter.errorPct = m.errorPct;
    }
    for (int p : args.silent) bench.unit(p).powered = false;
    if (args.stdConst) bench.world.stdConst = *args.stdConst;

    // SIGTERM and SIGINT stay blocked except while the pump waits, so a stop
    // request cannot slip in between the check and the wait.
    sigset_t stopSignals, waitMask;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    benchsim::PtyLink link;
    std::string error;
    if (!link.open(args.dir, args.com, error)) {
        std::fprintf(stderr, "benchsim: %s\n", error.c_str());
        return 1;
    }
    std::printf("READY %s\n", link.linkPath().c_str());
    std::fflush(stdout);

    benchsim::RunRealtime(bench, benchsim::PumpIo{link.master(), link.slave(), waitMask}, g_stop);
    link.close();
    return 0;
}
