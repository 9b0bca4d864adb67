// Script mode: one call per line from a file or standard input, in one
// process, so later calls see what earlier ones did to the bench.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "run_call.h"

namespace tbctl {

// Splits a line into words: blanks separate them; "..." keeps blanks and
// may be empty, with \" and \\ inside; a word starting with # begins a
// comment. An error text for an unterminated quote.
std::optional<std::string> SplitWords(const std::string& line, std::vector<std::string>& words);

struct ScriptContext {
    CallContext call;
    // "sleep S" lines: lets S seconds pass on the bench.
    std::function<void(double)> sleep;
};

// Runs every line of `in`; each call's output follows a "[<line>] <call>"
// line. Stops at the first line that cannot be called (kUsage); a call that
// returns its failure result does not stop the script, which then ends with
// kFailed.
int RunScript(std::FILE* in, const ScriptContext& ctx);

}  // namespace tbctl
