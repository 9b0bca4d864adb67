// benchsim: the simulated bench on a pseudo-terminal, in real time, for the
// library built as a shared object (end-to-end tests, demos, a host under
// development).
//
//   benchsim --dir DIR [--com N] [--positions P] [--meter POS:CONST:ERRPCT]...
//            [--silent POS]... [--std-const X] [--clock POS:SPERDAY]...
//            [--std-meter MODEL [--std-kind K] [--max-current A] [--std-error PCT]]
//            [--wire-log FILE] [--meter-line N] [--source SOURCE] [--vn74-port N]
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
// line, DIR/COM<vn74-port> (2).
//
// Prints "READY DIR/COM<N>" once the links are in place (then
// "METER-LINE DIR/COM<N>" with --meter-line and "VN74 DIR/COM<N>" with
// the VN-74), then serves until
// SIGTERM or SIGINT, removes the link and exits 0 (1 when the wire log cannot
// be written). Bad arguments exit 2, a terminal that cannot be set up exits 1.
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
void onSignal(int) { g_stop = 1; }

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
    benchsim::MeterLineServer meterLine;
    if (args.meterLine != 0 && !meterLine.start(args.dir, args.meterLine, !args.wireLog.empty(), error)) {
        std::fprintf(stderr, "benchsim: %s\n", error.c_str());
        return 1;
    }
    benchsim::PtyLink vn74Link;
    const bool vn74 = args.source == tbcom::sim::SourceModel::Vn74 || args.stdMeter == tbcom::sim::StdMeterModel::Vn74;
    if (vn74 && !vn74Link.open(args.dir, args.vn74Com, error)) {
        std::fprintf(stderr, "benchsim: %s\n", error.c_str());
        return 1;
    }
    std::printf("READY %s\n", link.linkPath().c_str());
    if (args.meterLine != 0) std::printf("METER-LINE %s\n", meterLine.linkPath().c_str());
    if (vn74) std::printf("VN74 %s\n", vn74Link.linkPath().c_str());
    std::fflush(stdout);

    const benchsim::PumpIo vn74Io{vn74Link.master(), vn74Link.slave(), waitMask, !args.wireLog.empty()};
    benchsim::RunRealtime(bench, benchsim::PumpIo{link.master(), link.slave(), waitMask, !args.wireLog.empty()}, g_stop,
                          vn74 ? &vn74Io : nullptr);
    vn74Link.close();
    meterLine.stop();
    link.close();
    if (!args.wireLog.empty() && !benchsim::WriteWireLog(bench.line.log(), args.wireLog)) {
        std::fprintf(stderr, "benchsim: cannot write %s\n", args.wireLog.c_str());
        return 1;
    }
    return 0;
}
