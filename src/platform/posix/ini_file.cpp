#include "platform/posix/ini_file.h"

#include <vector>

namespace tbcom::platform::posix {

namespace {

std::string_view trim(std::string_view s) {
    const char* blanks = " \t\r\n\f\v";
    const size_t b = s.find_first_not_of(blanks);
    if (b == std::string_view::npos) return {};
    const size_t e = s.find_last_not_of(blanks);
    return s.substr(b, e - b + 1);
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
    a = trim(a);
    b = trim(b);
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

// One line of the text: its content (without the line end) and the line end
// it had ("\n", "\r\n"; for a last line without a line feed none, or a bare
// "\r").
struct Line {
    std::string_view body;
    std::string_view end;
};

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        size_t stop = nl == std::string_view::npos ? text.size() : nl;
        size_t bodyEnd = (stop > pos && text[stop - 1] == '\r') ? stop - 1 : stop;
        size_t next = nl == std::string_view::npos ? text.size() : nl + 1;
        lines.push_back({text.substr(pos, bodyEnd - pos), text.substr(bodyEnd, next - bodyEnd)});
        pos = next;
    }
    return lines;
}

// The section name when the line is a section header.
std::optional<std::string_view> sectionOf(std::string_view body) {
    std::string_view t = trim(body);
    if (t.empty() || t.front() != '[') return std::nullopt;
    t.remove_prefix(1);
    const size_t close = t.find(']');
    return trim(close == std::string_view::npos ? t : t.substr(0, close));
}

struct Entry {
    std::string_view key, value;
};

std::optional<Entry> entryOf(std::string_view body) {
    std::string_view t = trim(body);
    if (t.empty() || t.front() == ';') return std::nullopt;
    const size_t eq = t.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return Entry{trim(t.substr(0, eq)), trim(t.substr(eq + 1))};
}

// Index range [first, last) of the lines of the first section called `name`
// (first = its header); nothing when absent.
std::optional<std::pair<size_t, size_t>> findSection(const std::vector<Line>& lines, std::string_view name) {
    for (size_t i = 0; i < lines.size(); ++i) {
        auto s = sectionOf(lines[i].body);
        if (!s || !sameName(*s, name)) continue;
        size_t j = i + 1;
        while (j < lines.size() && !sectionOf(lines[j].body)) ++j;
        return std::make_pair(i, j);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> IniLookup(std::string_view text, std::string_view section, std::string_view key) {
    const auto lines = splitLines(text);
    const auto range = findSection(lines, section);
    if (!range) return std::nullopt;
    for (size_t i = range->first + 1; i < range->second; ++i) {
        auto e = entryOf(lines[i].body);
        if (e && sameName(e->key, key)) return std::string(e->value);
    }
    return std::nullopt;
}

std::string IniUpdate(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value) {
    const auto lines = splitLines(text);
    const std::string entry = std::string(trim(key)) + "=" + std::string(trim(value));
    std::string out;
    auto emit = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            out += lines[i].body;
            out += lines[i].end;
        }
    };
    const auto range = findSection(lines, section);
    if (!range) {
        out.assign(text);
        if (!out.empty() && out.back() != '\n') out += '\n';
        out += "[" + std::string(trim(section)) + "]\n" + entry + "\n";
        return out;
    }
    for (size_t i = range->first + 1; i < range->second; ++i) {
        auto e = entryOf(lines[i].body);
        if (!e || !sameName(e->key, key)) continue;
        emit(0, i);
        out += std::string(e->key) + "=" + std::string(trim(value));
        out += lines[i].end;
        emit(i + 1, lines.size());
        return out;
    }
    // A new key: after the section's last non-blank line, so blank lines
    // that separate it from the next section stay where they are.
    size_t at = range->first + 1;
    for (size_t i = range->first + 1; i < range->second; ++i)
        if (!trim(lines[i].body).empty()) at = i + 1;
    emit(0, at);
    // The line before ends the file without a line feed (none, or a bare CR).
    if (at > 0 && lines[at - 1].end.find('\n') == std::string_view::npos) out += '\n';
    out += entry + "\n";
    emit(at, lines.size());
    return out;
}

}  // namespace tbcom::platform::posix
