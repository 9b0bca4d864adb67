#include "catalog.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <regex>

namespace tbctl {

namespace {

using tbcom::table::Arg;
using tbcom::table::Kind;
using tbcom::table::Result;

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::optional<long long> FindValue(const char* text, const char* pattern) {
    std::cmatch m;
    if (!std::regex_search(text, m, std::regex(pattern, std::regex::icase))) return std::nullopt;
    return std::stoll(m[1].str());
}

const tbcom::table::Family* FamilyOf(const Export& e) {
    for (const auto& f : tbcom::table::Families())
        if (std::string_view(f.name) == e.family) return &f;
    return nullptr;
}

std::string KindText(const Arg& a) {
    const std::string n = std::to_string(a.size);
    switch (a.kind) {
    case Kind::U8: return "byte 0..255";
    case Kind::I32: return "32-bit integer (0x.. for hex)";
    case Kind::Handle: return "handle 0..4294967295";
    case Kind::Double: case Kind::Single: return "number";
    case Kind::TextIn: return "text";
    case Kind::TextOut: return "text written, at most " + n + " characters";
    case Kind::TextPtrOut: return n + " text pointer(s) the library sets";
    case Kind::TextSlots: return n + " slot(s) the library fills (kept from call to call in a script)";
    case Kind::I32Out: return "integer written";
    case Kind::DoubleOut: return "number written";
    case Kind::HandleInOut: return "handle, typed and written back";
    case Kind::DoubleArray: return std::string("numbers a,b,c (as many as ") + a.name + "High + 1)";
    case Kind::I32Array: return std::string("integers a,b,c (as many as ") + a.name + "High + 1)";
    }
    return "value";
}

const char* ResultText(Result r) {
    switch (r) {
    case Result::Void: return "nothing";
    case Result::Bool: return "byte, 1 = success";
    case Result::I32: return "32-bit integer";
    case Result::Handle: return "handle";
    case Result::Double: return "number";
    }
    return "";
}

// Words of at most `width` columns per line, each line after `indent`.
void PrintWrapped(std::FILE* out, const std::string& text, const char* indent, size_t width = 76) {
    size_t col = 0;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find(' ', from);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(from, end - from);
        from = end + 1;
        if (word.empty()) continue;
        if (col && col + 1 + word.size() > width) {
            std::fputc('\n', out);
            col = 0;
        }
        std::fprintf(out, "%s%s", col ? " " : indent, word.c_str());
        col += (col ? 1 : 0) + word.size();
    }
    if (col) std::fputc('\n', out);
}

size_t Distance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diag = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (a[i - 1] != b[j - 1])});
            diag = up;
        }
    }
    return row[b.size()];
}

bool FamilyMatches(const std::string& family, const std::string& want) {
    const std::string name = Lower(family);
    if (name.rfind(want, 0) == 0) return true;
    for (size_t i = 1; i < name.size(); ++i)
        if ((name[i - 1] == ' ' || name[i - 1] == '-') && name.compare(i, want.size(), want) == 0) return true;
    return false;
}

}  // namespace

FailureRule FailureRuleOf(const Export& e) {
    if (e.result == Result::Bool) return {FailureRule::Equals, 0};
    if (e.result != Result::I32) return {};
    if (FindValue(e.doc, R"(\balways (-?\d+))")) return {};
    const std::string_view name = e.name;
    if ((name.size() > 5 && name.substr(name.size() - 5) == "_gFun") ||
        FindValue(e.doc, R"((-1) (?:= |when )(?:done|written))"))
        return {FailureRule::Differs, -1};
    if (auto v = FindValue(e.doc, R"((-?\d+) (?:= failure|on failure|when it does not answer))"))
        return {FailureRule::Equals, *v};
    if (const auto* f = FamilyOf(e))
        if (auto v = FindValue(f->doc, R"((-?\d+) = failure)")) return {FailureRule::Equals, *v};
    return {};
}

bool IsFailure(const FailureRule& rule, const std::string& result) {
    if (rule.how == FailureRule::Never) return false;
    long long v = 0;
    auto r = std::from_chars(result.data(), result.data() + result.size(), v);
    const bool same = r.ec == std::errc() && v == rule.value;
    return rule.how == FailureRule::Equals ? same : !same;
}

std::string Describe(const FailureRule& rule) {
    switch (rule.how) {
    case FailureRule::Equals: return "fails when it returns " + std::to_string(rule.value);
    case FailureRule::Differs: return "succeeds only when it returns " + std::to_string(rule.value);
    default: return "never fails";
    }
}

std::string Signature(const Export& e) {
    std::string s = e.name;
    const std::string usage = tbcom::table::Usage(e);
    if (!usage.empty()) s += " " + usage;
    std::string outs;
    for (int i = 0; i < e.argc; ++i)
        if (!tbcom::table::Typed(e.args[i]) || e.args[i].kind == Kind::HandleInOut)
            outs += std::string(outs.empty() ? "" : " ") + e.args[i].name;
    return outs.empty() ? s : s + " -> " + outs;
}

bool PrintList(std::FILE* out, const std::string& family) {
    const std::string want = Lower(family);
    bool any = false;
    for (const auto& f : tbcom::table::Families()) {
        if (!want.empty() && !FamilyMatches(f.name, want)) continue;
        std::fprintf(out, "%s== %s\n", any ? "\n" : "", f.name);
        any = true;
        for (const auto& e : tbcom::table::Exports()) {
            if (std::string_view(e.family) != f.name) continue;
            std::fprintf(out, "%s\n", Signature(e).c_str());
            PrintWrapped(out, e.summary, "    ");
        }
    }
    return any;
}

void PrintHelp(std::FILE* out, const Export& e) {
    std::fprintf(out, "%s\n\n", Signature(e).c_str());
    PrintWrapped(out, e.doc, "  ");
    std::fprintf(out, "\n  family:  %s\n", e.family);
    std::fprintf(out, "  returns: %s; %s\n", ResultText(e.result), Describe(FailureRuleOf(e)).c_str());
    for (int pass = 0; pass < 2; ++pass) {
        bool header = false;
        for (int i = 0; i < e.argc; ++i) {
            const Arg& a = e.args[i];
            if (tbcom::table::Typed(a) != (pass == 0)) continue;
            if (!header) std::fprintf(out, "  %s\n", pass == 0 ? "arguments, typed in this order:" : "written by the call:");
            header = true;
            std::fprintf(out, "    %-14s %s\n", a.name, KindText(a).c_str());
        }
    }
}

std::vector<const Export*> CloseNames(std::string_view name) {
    const std::string want = Lower(name);
    std::vector<std::pair<size_t, const Export*>> found;
    for (const auto& e : tbcom::table::Exports()) {
        const std::string have = Lower(e.name);
        size_t d = Distance(want, have);
        if (want.size() >= 4 && have.find(want) != std::string::npos) d = std::min<size_t>(d, 2);
        if (d <= std::max<size_t>(2, want.size() / 4)) found.emplace_back(d, &e);
    }
    std::stable_sort(found.begin(), found.end(), [](auto& a, auto& b) { return a.first < b.first; });
    std::vector<const Export*> out;
    for (size_t i = 0; i < found.size() && i < 5; ++i) out.push_back(found[i].second);
    return out;
}

}  // namespace tbctl
