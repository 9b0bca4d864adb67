// benchsim: the simulated bench on a pseudo-terminal, in real time, for the
// library built as a shared object (end-to-end tests, demos, a host under
// development).
//
//   benchsim --dir DIR [--com N] [--positions P] [--meter POS:CONST:ERRPCT]...
//            [--silent POS]... [--std-const X] [--clock POS:SPERDAY]...
//            [--std-meter MODEL [--std-kind K] [--max-current A] [--std-error PCT]]
//            [--wire-log FILE] [--meter-line N] [--source SOURCE] [--vn74-port N] [--waves FILE]
//
// --clock makes the clock of the meter at POS run SPERDAY seconds a day fast
// (negative: slow) and wires the clock unit to that position. --std-meter
// puts a standard meter on the bench line (kp3, kp1n, kp1g, plm6007,
// zak6009), reported by the bench controller as kind K (5) with a maximum
// current of A amperes (100); --std-error makes its voltages and currents
// read PCT percent high. --wire-log writes every burst on the line to FILE
// when benchsim stops. --meter-line puts the simulated meters under test
// (DL/T 645, DL/T 698.45, HDLC, an optical head) on DIR/COM<N>. --source
// puts the device that takes the source's range commands on the bench line.
// A VN-74 (--std-meter vn74, --source vn74 or both) is served on its own
// line, DIR/COM<vn74-port> (2). --waves writes the six waveform tables the
// bench controller holds to FILE (one line of 720 bytes in hex per channel)
// when benchsim stops.
//
// Prints "READY DIR/COM<N>" once the links are in place (then
// "METER-LINE DIR/COM<N>" with --meter-line and "VN74 DIR/COM<N>" with
// the VN-74), then serves until SIGTERM or SIGINT, removes the link and
// exits 0 (1 when the wire log or the waveform file cannot be written). Bad
// arguments exit 2, a terminal that cannot be set up exits 1.
//
// SIGUSR1 unplugs the bench as a USB serial adapter is pulled: every
// terminal is closed (the host's open descriptors hang up and fail from then
// on) and its link removed; "UNPLUGGED" is printed. SIGUSR2 plugs it back:
// new terminals behind the same links, then "PLUGGED DIR/COM<N>". The
// devices keep their state; the bench's time stands still while unplugged.
#include <signal.h>

#include <cstdio>
#include <string>

#include "bench.h"
#include "meter_line_server.h"
#include "options.h"
#include "pty_link.h"
#include "realtime_pump.h"
#include "wire_log_file.h"

namespace {

volatile sig_atomic_t g_stop = 0;
volatile sig_atomic_t g_unplug = 0;
volatile sig_atomic_t g_plug = 0;
// Any of the signals ends the current serving loop.
volatile sig_atomic_t g_wake = 0;
void onSignal(int sig) {
    if (sig == SIGUSR1) g_unplug = 1;
    else if (sig == SIGUSR2) g_plug = 1;
    else g_stop = 1;
    g_wake = 1;
}

// The terminals and their links, all of them opened or closed together.
struct Links {
    benchsim::PtyLink bench;
    benchsim::MeterLineServer meterLine;
    benchsim::PtyLink vn74;

    bool open(const benchsim::Options& args, bool withVn74, std::string& error) {
        return bench.open(args.dir, args.com, error) &&
               (args.meterLine == 0 || meterLine.start(args.dir, args.meterLine, !args.wireLog.empty(), error)) &&
               (!withVn74 || vn74.open(args.dir, args.vn74Com, error));
    }
    void close() {
        vn74.close();
        meterLine.stop();
        bench.close();
    }
};

int usage(const std::string& why) {
    std::fprintf(stderr, "benchsim: %s\nusage: %s\n", why.c_str(), benchsim::Synopsis());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    benchsim::Options args;
    if (auto err = benchsim::ParseOptions(argc, argv, args)) return usage(*err);

    tbcom::sim::Bench bench(benchsim::BenchConfigOf(args));
    benchsim::ApplyOptions(args, bench);

    // SIGTERM and SIGINT stay blocked except while the pump waits, so a stop
    // request cannot slip in between the check and the wait.
    sigset_t stopSignals, waitMask;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGUSR1);
    sigaddset(&stopSignals, SIGUSR2);
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGUSR1);
    sigdelset(&waitMask, SIGUSR2);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGUSR1, SIGUSR2}) sigaction(sig, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    Links links;
    std::string error;
    const bool vn74 = args.source == tbcom::sim::SourceModel::Vn74 || args.stdMeter == tbcom::sim::StdMeterModel::Vn74;
    if (!links.open(args, vn74, error)) {
        std::fprintf(stderr, "benchsim: %s\n", error.c_str());
        return 1;
    }
    std::printf("READY %s\n", links.bench.linkPath().c_str());
    if (args.meterLine != 0) std::printf("METER-LINE %s\n", links.meterLine.linkPath().c_str());
    if (vn74) std::printf("VN74 %s\n", links.vn74.linkPath().c_str());
    std::fflush(stdout);

    while (!g_stop) {
        g_wake = 0;
        const benchsim::PumpIo vn74Io{links.vn74.master(), links.vn74.slave(), waitMask, !args.wireLog.empty()};
        benchsim::RunRealtime(bench,
                              benchsim::PumpIo{links.bench.master(), links.bench.slave(), waitMask,
                                               !args.wireLog.empty()},
                              g_wake, vn74 ? &vn74Io : nullptr);
        if (g_stop || !g_unplug) continue;
        g_unplug = 0;
        g_plug = 0;
        links.close();
        std::printf("UNPLUGGED\n");
        std::fflush(stdout);
        while (!g_stop && !g_plug) sigsuspend(&waitMask);
        if (g_stop) break;
        g_unplug = 0;
        g_plug = 0;
        if (!links.open(args, vn74, error)) {
            std::fprintf(stderr, "benchsim: %s\n", error.c_str());
            return 1;
        }
        std::printf("PLUGGED %s\n", links.bench.linkPath().c_str());
        std::fflush(stdout);
    }
    links.close();
    if (!args.wireLog.empty() && !benchsim::WriteWireLog(bench.line.log(), args.wireLog)) {
        std::fprintf(stderr, "benchsim: cannot write %s\n", args.wireLog.c_str());
        return 1;
    }
    if (!args.waves.empty() && !benchsim::WriteWaveTables(bench.waves, args.waves)) {
        std::fprintf(stderr, "benchsim: cannot write %s\n", args.waves.c_str());
        return 1;
    }
    return 0;
}
