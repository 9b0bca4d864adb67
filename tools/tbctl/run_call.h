// One export called from typed words, its result and outputs printed, and
// what went wrong said in a way that points at the fix.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace tbctl {

enum ExitCode { kOk = 0, kFailed = 1, kUsage = 2 };

struct CallContext {
    std::FILE* out = stdout;
    // Put before every error message: "" or "line 3: ".
    std::string where;
    // Draw the elapsed-time line on stderr when the call runs long.
    bool progress = false;
};

// words[0] names the export, the rest are its typed arguments. Prints
// "return=<result>" (not for a void export) and "<argument>=<value>" for
// each output, texts exactly as the library wrote them. Returns kOk, kFailed
// (the export's failure result, or a text longer than its doc allows) or
// kUsage (unknown export, wrong count, a value that does not parse: nothing
// was called).
int RunCall(const std::vector<std::string>& words, const CallContext& ctx);

}  // namespace tbctl
