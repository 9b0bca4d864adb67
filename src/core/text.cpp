#include "core/text.h"

#include <algorithm>

namespace tbcom::core {

std::string SepField(std::string_view text, std::string_view sep, int n) {
    if (sep.empty()) return n == 1 ? std::string(text) : std::string();
    for (int i = 1; i < n; ++i) {
        auto p = text.find(sep);
        if (p == std::string_view::npos) return {};
        text.remove_prefix(p + sep.size());
    }
    auto p = text.find(sep);
    return std::string(text.substr(0, p));
}

std::string CommaField(std::string_view text, int n) { return SepField(text, ",", n); }

int TextPos(std::string_view text, std::string_view part) {
    auto p = text.find(part);
    return p == std::string_view::npos ? 0 : static_cast<int>(p) + 1;
}

std::string LeftText(std::string_view text, int count) {
    if (count <= 0) return {};
    return std::string(text.substr(0, static_cast<size_t>(count)));
}

std::string RightText(std::string_view text, int count) {
    if (count <= 0) return {};
    size_t c = std::min(text.size(), static_cast<size_t>(count));
    return std::string(text.substr(text.size() - c));
}

std::string MidText(std::string_view text, int start, int count) {
    if (start < 1) start = 1;
    if (count <= 0 || static_cast<size_t>(start) > text.size()) return {};
    return std::string(text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count)));
}

std::string Trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
    return std::string(text.substr(b, e - b));
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    // Only ASCII letters change; GBK lead and trail bytes are left alone
    // (trail bytes in 0x61..0x7A would otherwise be corrupted).
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < out.size()) {
            ++i;
            continue;
        }
        if (c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

}  // namespace tbcom::core
