// What tbctl says about the exports: the list by family, the help of one
// export, close names for a mistyped one, and how each export's result
// tells a failure (read from its doc comment, as a host reads it).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "export_table.h"

namespace tbctl {

using tbcom::table::Export;

struct FailureRule {
    enum How { Never, Equals, Differs } how = Never;
    long long value = 0;
};

// Bool results fail with 0. An int32_t result fails as its doc says:
// "always N" never; a "_gFun" name or "-1 = done" / "-1 when done" with
// anything but -1; "N = failure", "N on failure" or "N when it does not
// answer" with N; else as its family's doc says ("N = failure"). Other
// results (none, numbers, handles) never fail.
FailureRule FailureRuleOf(const Export& e);
bool IsFailure(const FailureRule& rule, const std::string& result);
// "fails when it returns 0", "never fails".
std::string Describe(const FailureRule& rule);

// "Error_Read position port -> result": the typed arguments, then what the
// call writes.
std::string Signature(const Export& e);

// Prints every export of the families whose name or one of whose words
// starts with `family` (any case; every family when empty). False when none
// matches.
bool PrintList(std::FILE* out, const std::string& family);
void PrintHelp(std::FILE* out, const Export& e);

// Exports whose names are close to `name` (case, a few letters), closest
// first, at most five.
std::vector<const Export*> CloseNames(std::string_view name);

}  // namespace tbctl
