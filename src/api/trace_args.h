// How the exported functions (generated from the header into
// export_shim.cpp) write a call into the protocol trace: its arguments by
// name before the body runs, its result and what it wrote for the host after.
// Only used while a trace is on; every read of host memory is bounded.
#pragma once

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include "core/trace.h"

namespace tbcom::api {

class TraceArgs {
public:
    TraceArgs& u8(const char* name, std::uint8_t v) { return number(name, v); }
    TraceArgs& i32(const char* name, std::int32_t v) { return number(name, v); }
    TraceArgs& u32(const char* name, std::uint32_t v) { return number(name, v); }
    TraceArgs& real(const char* name, double v) {
        next(name);
        char buf[32];
        auto r = std::to_chars(buf, buf + sizeof buf, v);
        text_.append(buf, r.ptr);
        return *this;
    }
    TraceArgs& text(const char* name, const char* s) {
        next(name);
        quoted(s, kLongestIn);
        return *this;
    }
    // An output argument before the call: whether the host passed one.
    template <class T>
    TraceArgs& ref(const char* name, T* p) {
        next(name);
        text_ += p ? "out" : "NULL";
        return *this;
    }
    TraceArgs& handleRef(const char* name, const std::uint32_t* p) {
        next(name);
        if (p) {
            text_ += "&";
            text_ += std::to_string(*p);
        } else {
            text_ += "NULL";
        }
        return *this;
    }
    // A host array passed with the index of its last element.
    template <class T>
    TraceArgs& array(const char* name, const T* p, std::int32_t high) {
        next(name);
        if (!p) {
            text_ += "NULL";
            return *this;
        }
        text_ += "[";
        const std::int32_t shown = high < 0 ? -1 : (high > 15 ? 15 : high);
        for (std::int32_t i = 0; i <= shown; ++i) {
            if (i) text_ += ", ";
            char buf[32];
            auto r = std::to_chars(buf, buf + sizeof buf, p[i]);
            text_.append(buf, r.ptr);
        }
        if (high > shown) text_ += ", ...";
        text_ += "]";
        return *this;
    }

    template <class R>
    TraceArgs& result(R r) {
        if constexpr (std::is_floating_point_v<R>) {
            char buf[32];
            auto e = std::to_chars(buf, buf + sizeof buf, r);
            text_.append(buf, e.ptr);
        } else {
            text_ += std::to_string(+r);
        }
        return *this;
    }
    TraceArgs& none() {
        text_ += "done";
        return *this;
    }
    // A text the body wrote into the host's buffer (read up to one past its
    // stated longest text, so an overrun would show).
    TraceArgs& textOut(const char* name, char* const* ref, std::size_t longest) {
        if (!ref || !*ref) return *this;
        output(name);
        quoted(*ref, longest + 1);
        return *this;
    }
    // Texts the body handed over by pointer (library-owned or allocated). Only
    // the pointers it changed are read: the others are whatever the host
    // left there and may point anywhere.
    template <class P, std::size_t N>
    TraceArgs& textPtrs(const char* name, P* const* ptrs, const std::array<const void*, N>& before) {
        if (!ptrs) return *this;
        output(name);
        text_ += "[";
        for (std::size_t i = 0; i < N; ++i) {
            if (i) text_ += ", ";
            if (static_cast<const void*>(ptrs[i]) == before[i])
                text_ += "-";
            else
                quoted(ptrs[i], kLongestIn);
        }
        text_ += "]";
        return *this;
    }
    template <class T>
    TraceArgs& valueOut(const char* name, const T* p) {
        if (!p) return *this;
        output(name);
        if constexpr (std::is_floating_point_v<T>) {
            char buf[32];
            auto r = std::to_chars(buf, buf + sizeof buf, *p);
            text_.append(buf, r.ptr);
        } else {
            text_ += std::to_string(*p);
        }
        return *this;
    }

    const std::string& str() const { return text_; }

private:
    // Host input texts are shown up to this many bytes.
    static constexpr std::size_t kLongestIn = 4096;

    template <class T>
    TraceArgs& number(const char* name, T v) {
        next(name);
        text_ += std::to_string(v);
        return *this;
    }
    void next(const char* name) {
        if (!text_.empty()) text_ += ", ";
        text_ += name;
        text_ += "=";
    }
    void output(const char* name) {
        text_ += "; ";
        text_ += name;
        text_ += "=";
    }
    // The text in double quotes, bytes outside printable ASCII as \xHH (GBK
    // texts stay readable as their codes), at most `limit` bytes.
    void quoted(const char* s, std::size_t limit) {
        if (!s) {
            text_ += "NULL";
            return;
        }
        const std::size_t n = strnlen(s, limit);
        static const char* hex = "0123456789ABCDEF";
        text_ += '"';
        for (std::size_t i = 0; i < n; ++i) {
            const auto c = static_cast<unsigned char>(s[i]);
            if (c == '"' || c == '\\') {
                text_ += '\\';
                text_ += static_cast<char>(c);
            } else if (c >= 0x20 && c < 0x7F) {
                text_ += static_cast<char>(c);
            } else {
                text_ += "\\x";
                text_ += hex[c >> 4];
                text_ += hex[c & 15];
            }
        }
        text_ += '"';
        if (n == limit) text_ += "...";  // no terminator within the limit
    }

    std::string text_;
};

// The pointers in a host array of N text pointers before the call.
template <std::size_t N, class P>
std::array<const void*, N> PtrSnapshot(P* const* ptrs) noexcept {
    std::array<const void*, N> s{};
    if (ptrs)
        for (std::size_t i = 0; i < N; ++i) s[i] = ptrs[i];
    return s;
}

// The call's arguments into the trace; `fill` names them. Nothing it does
// may reach the host: a failure only loses the trace line.
template <class F>
void TraceLine(void (*write)(const char*, const std::string&) noexcept, const char* name, F&& fill) noexcept {
    try {
        TraceArgs a;
        fill(a);
        write(name, a.str());
    } catch (...) {
    }
}
template <class F>
void TraceStart(const char* name, F&& fill) noexcept {
    TraceLine(trace::CallStart, name, fill);
}
template <class F>
void TraceEnd(const char* name, F&& fill) noexcept {
    TraceLine(trace::CallEnd, name, fill);
}

}  // namespace tbcom::api
