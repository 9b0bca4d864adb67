// tbctl: calls any export of the bench library by name from a shell, with
// its arguments typed as words, against the bench on the serial ports or a
// simulated bench inside tbctl (--sim). `tbctl --help` says how.
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include "catalog.h"
#include "core/lifecycle.h"
#include "core/trace.h"
#include "export_table.h"
#include "options.h"
#include "progress.h"
#include "run_call.h"
#include "script.h"
#include "sim_bench.h"

namespace {

using namespace tbctl;

const char kSynopsis[] =
    "usage: tbctl [--sim [BENCH OPTION...] [--]] [--trace] NAME [ARG...]\n"
    "       tbctl [--sim [BENCH OPTION...] [--]] [--trace] -f FILE | -\n"
    "       tbctl list [FAMILY]\n"
    "       tbctl help NAME\n";

const char kHelp[] =
    "\n"
    "Calls the export NAME of the bench library with ARG... typed as words, in\n"
    "the order `tbctl help NAME` shows (texts with blanks in quotes; numbers\n"
    "with \".\"; integers also as 0x..). What the call writes (texts, numbers)\n"
    "is made and printed by tbctl, texts at the longest size their doc states.\n"
    "\n"
    "  list [FAMILY]   the exports with their arguments and a line of doc, all\n"
    "                  or those of the families whose name or a word of it\n"
    "                  starts with FAMILY (any case)\n"
    "  help NAME       the doc of one export, its arguments and results\n"
    "  --sim           call a simulated bench inside tbctl instead of the\n"
    "                  serial ports: benchsim's devices on a virtual clock, so\n"
    "                  waits take no wall time. The BENCH OPTIONs that follow\n"
    "                  are benchsim's (below), except --dir; \"--\" ends them.\n"
    "                  Each tbctl starts a fresh bench: run a session of\n"
    "                  several calls as a script.\n"
    "  --trace         the protocol trace (calls, bytes on the ports) on\n"
    "                  stderr as it happens\n"
    "  -f FILE, -      script: one call per line from FILE or standard input;\n"
    "                  # starts a comment, \"sleep S\" lets S seconds pass.\n"
    "                  A line that cannot be called stops the script; a call\n"
    "                  that fails does not.\n"
    "\n"
    "Output on stdout, one value a line: return=<result> (not for functions\n"
    "without a result), then <argument>=<value> for each output, texts as the\n"
    "library wrote them. In a script, each call's lines follow\n"
    "\"[<line>] <call>\". Errors go to stderr.\n"
    "Exit status: 0 done; 1 the call returned its failure result (0 for the\n"
    "1/0 functions, anything but -1 for the -1/2 ones; `tbctl help NAME`\n"
    "says which) or wrote more than its doc allows; 2 unknown export, wrong\n"
    "argument count, a value that does not parse, bad options (nothing is\n"
    "called then).\n"
    "Without --sim, COM<n> is the system's port (on Linux\n"
    "$TBCOM_COMDIR/COM<n>, else /dev/ttyS<n-1>).\n"
    "\n"
    "BENCH OPTIONs are benchsim's, without --dir:\n";

int Usage(const char* why) {
    std::fprintf(stderr, "tbctl: %s\n%s(tbctl --help says more)\n", why, kSynopsis);
    return kUsage;
}

bool IsOption(const std::string& a) { return a.size() > 2 && a.compare(0, 2, "--") == 0; }

struct CommandLine {
    bool sim = false;
    bool trace = false;
    std::vector<std::string> benchArgs;
    std::vector<std::string> rest;  // the command and its words
};

// Global options first (any order), then the command.
CommandLine Split(const std::vector<std::string>& args) {
    CommandLine c;
    size_t i = 0;
    while (i < args.size()) {
        if (args[i] == "--trace") {
            c.trace = true;
            ++i;
        } else if (args[i] == "--sim") {
            c.sim = true;
            // benchsim's options all take a value.
            for (++i; i < args.size() && IsOption(args[i]) && args[i] != "--help";) {
                if (args[i] == "--trace") {
                    c.trace = true;
                    ++i;
                    continue;
                }
                c.benchArgs.push_back(args[i++]);
                if (i < args.size()) c.benchArgs.push_back(args[i++]);
            }
            if (i < args.size() && args[i] == "--") ++i;
        } else {
            break;
        }
    }
    c.rest.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    return c;
}

int Catalog(const std::vector<std::string>& rest) {
    if (rest[0] == "list") {
        std::string family;
        for (size_t i = 1; i < rest.size(); ++i) family += (i > 1 ? " " : "") + rest[i];
        if (PrintList(stdout, family)) return kOk;
        std::fprintf(stderr, "tbctl: no family matches '%s'; the families are:\n", family.c_str());
        for (const auto& f : tbcom::table::Families()) std::fprintf(stderr, "  %s\n", f.name);
        return kUsage;
    }
    if (rest.size() != 2) return Usage("help takes the name of one export");
    const Export* e = tbcom::table::Find(rest[1]);
    if (!e) return RunCall({rest[1]}, {});  // says it is unknown and what is close
    PrintHelp(stdout, *e);
    return kOk;
}

// The calls of the command line against the bench already in place.
int Calls(const CommandLine& c, const std::function<void(double)>& sleep) {
    CallContext ctx;
    ctx.progress = !c.trace && IsTerminal(stderr);
    if (c.rest[0] != "-f" && c.rest[0] != "-") return RunCall(c.rest, ctx);
    std::FILE* in = stdin;
    if (c.rest[0] == "-f") {
        if (c.rest.size() != 2) return Usage("-f takes one file name");
        in = std::fopen(c.rest[1].c_str(), "rb");
        if (!in) {
            std::fprintf(stderr, "tbctl: cannot read %s: %s\n", c.rest[1].c_str(), std::strerror(errno));
            return kUsage;
        }
    } else if (c.rest.size() != 1) {
        return Usage("- reads the script from standard input and takes nothing after it");
    }
    const int code = RunScript(in, {ctx, sleep});
    if (in != stdin) std::fclose(in);
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    const CommandLine c = Split({argv + 1, argv + argc});
    benchsim::Options options;
    if (c.sim)
        if (auto err = SimBench::Parse(c.benchArgs, options)) return Usage(("--sim: " + *err).c_str());
    if (c.rest.empty()) return Usage("nothing to call");
    if (c.rest[0] == "--help" || c.rest[0] == "-h") {
        std::printf("%s%s%s\n", kSynopsis, kHelp, benchsim::Synopsis());
        return kOk;
    }
    if (c.rest[0] == "list" || c.rest[0] == "help") return Catalog(c.rest);
    if (c.rest[0].size() > 1 && c.rest[0][0] == '-' && c.rest[0] != "-f")
        return Usage(("unknown option " + c.rest[0]).c_str());

    std::unique_ptr<SimBench> bench;
    if (c.sim) bench = std::make_unique<SimBench>(options);
    std::function<void(double)> sleep = [&bench](double s) {
        if (bench) bench->sleep(s);
        else std::this_thread::sleep_for(std::chrono::duration<double>(s));
    };

    tbcom::core::processAttach();
    if (c.trace) tbcom::trace::OpenStream(stderr);
    int code = Calls(c, sleep);
    tbcom::core::processDetach();
    tbcom::trace::Close();
    std::string error;
    if (bench && !bench->finish(error)) {
        std::fprintf(stderr, "tbctl: %s\n", error.c_str());
        if (code == kOk) code = kFailed;
    }
    return code;
}
