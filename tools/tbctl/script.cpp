#include "script.h"

#include "core/numbers.h"

namespace tbctl {

namespace {

bool ReadLine(std::FILE* in, std::string& line) {
    line.clear();
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n') line += static_cast<char>(c);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return c != EOF || !line.empty();
}

std::string Shown(const std::vector<std::string>& words) {
    std::string s;
    for (const auto& w : words) {
        if (!s.empty()) s += ' ';
        s += w.empty() || w.find_first_of(" \t") != std::string::npos ? '"' + w + '"' : w;
    }
    return s;
}

}  // namespace

std::optional<std::string> SplitWords(const std::string& line, std::vector<std::string>& words) {
    words.clear();
    size_t i = 0;
    for (;;) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i == line.size() || line[i] == '#') return std::nullopt;
        std::string word;
        if (line[i] == '"') {
            for (++i;; ++i) {
                if (i == line.size()) return std::string("unterminated quote");
                if (line[i] == '"') break;
                if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) ++i;
                word += line[i];
            }
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') word += line[i++];
        }
        words.push_back(std::move(word));
    }
}

int RunScript(std::FILE* in, const ScriptContext& ctx) {
    int code = kOk;
    std::string line;
    std::vector<std::string> words;
    for (int number = 1; ReadLine(in, line); ++number) {
        CallContext call = ctx.call;
        call.where = "line " + std::to_string(number) + ": ";
        if (auto err = SplitWords(line, words)) {
            std::fprintf(stderr, "tbctl: %s%s\n", call.where.c_str(), err->c_str());
            return kUsage;
        }
        if (words.empty()) continue;
        if (words[0] == "sleep") {
            auto s = words.size() == 2 ? tbcom::core::TryTextToFloat(words[1]) : std::nullopt;
            if (!s || !(*s >= 0 && *s <= 86400)) {
                std::fprintf(stderr, "tbctl: %ssleep takes one number of seconds, 0 to 86400\n", call.where.c_str());
                return kUsage;
            }
            ctx.sleep(*s);
            continue;
        }
        std::fprintf(call.out, "[%d] %s\n", number, Shown(words).c_str());
        const int r = RunCall(words, call);
        if (r == kUsage) return kUsage;
        if (r != kOk) code = r;
    }
    return code;
}

}  // namespace tbctl
