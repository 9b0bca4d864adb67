#include "run_call.h"

#include "catalog.h"
#include "export_table.h"
#include "progress.h"

namespace tbctl {

namespace {

void PrintValue(std::FILE* out, const std::string& key, const std::string& value) {
    std::fprintf(out, "%s=", key.c_str());
    std::fwrite(value.data(), 1, value.size(), out);  // GBK or not, as written
    std::fputc('\n', out);
}

int Unknown(const std::string& name, const CallContext& ctx) {
    std::fprintf(stderr, "tbctl: %sunknown export '%s'", ctx.where.c_str(), name.c_str());
    const auto close = CloseNames(name);
    for (size_t i = 0; i < close.size(); ++i)
        std::fprintf(stderr, "%s%s", i == 0 ? "; did you mean " : i + 1 == close.size() ? " or " : ", ",
                     close[i]->name);
    std::fprintf(stderr, "%s\n", close.empty() ? " (tbctl list shows every export)" : "?");
    return kUsage;
}

}  // namespace

int RunCall(const std::vector<std::string>& words, const CallContext& ctx) {
    const Export* e = tbcom::table::Find(words.at(0));
    if (!e) return Unknown(words[0], ctx);
    tbcom::table::Call call(*e);
    try {
        call.setInputs({words.begin() + 1, words.end()});
    } catch (const tbcom::table::ArgError& err) {
        std::fprintf(stderr, "tbctl: %s%s\nusage: tbctl %s\n", ctx.where.c_str(), err.what(), Signature(*e).c_str());
        return kUsage;
    }
    try {
        ProgressLine progress(stderr, e->name, ctx.progress);
        call.run();
    } catch (const tbcom::table::ArgError& err) {
        std::fprintf(stderr, "tbctl: %s%s: %s\n", ctx.where.c_str(), e->name, err.what());
        return kUsage;
    }
    if (e->result != tbcom::table::Result::Void) PrintValue(ctx.out, "return", call.result());
    for (const auto& [name, value] : call.outputs()) PrintValue(ctx.out, name, value);
    std::fflush(ctx.out);
    int code = kOk;
    if (IsFailure(FailureRuleOf(*e), call.result())) {
        std::fprintf(stderr, "tbctl: %s%s failed (returned %s)\n", ctx.where.c_str(), e->name, call.result().c_str());
        code = kFailed;
    }
    if (call.overran()) {
        std::fprintf(stderr, "tbctl: %s%s wrote a text longer than its doc allows\n", ctx.where.c_str(), e->name);
        code = kFailed;
    }
    return code;
}

}  // namespace tbctl
