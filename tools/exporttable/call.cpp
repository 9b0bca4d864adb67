// The generic side of the export table: parsing typed arguments, host
// buffers at their documented size, and the texts of results and outputs.
#include <charconv>
#include <climits>
#include <cstring>

#include "export_table.h"

namespace tbcom::table {
namespace {

// Bytes after a text-out buffer's documented size, filled with a mark that
// tells whether the call wrote past it.
constexpr std::size_t kGuard = 64;
constexpr char kMark = '\xA5';

// The library's own slot buffers survive from one call to the next, so a
// script can pass what OperationHC_Fun filled to OperationHC_Free.
std::array<char*, 64> g_slots{};

const char* KindName(Kind k) {
    switch (k) {
    case Kind::U8: return "byte 0..255";
    case Kind::I32: return "32-bit integer";
    case Kind::Handle: return "handle";
    case Kind::Double: case Kind::Single: return "number";
    case Kind::DoubleArray: case Kind::I32Array: return "list of numbers a,b,c";
    default: return "value";
    }
}

template <class T>
T ParseInt(const std::string& s, long long lo, long long hi, const Arg& a) {
    long long v = 0;
    const char* b = s.data();
    const char* e = b + s.size();
    bool neg = false;
    if (b != e && (*b == '-' || *b == '+')) neg = *b++ == '-';
    std::from_chars_result r;
    if (e - b > 2 && b[0] == '0' && (b[1] == 'x' || b[1] == 'X'))
        r = std::from_chars(b + 2, e, v, 16);
    else
        r = std::from_chars(b, e, v, 10);
    if (b == e || r.ec != std::errc() || r.ptr != e)
        throw ArgError(std::string(a.name) + ": '" + s + "' is not a " + KindName(a.kind));
    if (neg) v = -v;
    if (v < lo || v > hi)
        throw ArgError(std::string(a.name) + ": " + s + " is outside " + std::to_string(lo) + ".." +
                       std::to_string(hi));
    return static_cast<T>(v);
}

double ParseReal(const std::string& s, const Arg& a) {
    double v = 0;
    const char* b = s.data();
    const char* e = b + s.size();
    if (b != e && *b == '+') ++b;
    auto r = std::from_chars(b, e, v);
    if (b == e || r.ec != std::errc() || r.ptr != e)
        throw ArgError(std::string(a.name) + ": '" + s + "' is not a number");
    return v;
}

std::vector<std::string> SplitList(const std::string& s) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        auto comma = s.find(',', start);
        out.push_back(s.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return out;
}

}  // namespace

std::string FormatReal(double v) {
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

const Export* Find(std::string_view name) {
    for (const Export& e : Exports())
        if (name == e.name) return &e;
    return nullptr;
}

bool Typed(const Arg& a) {
    switch (a.kind) {
    case Kind::TextOut: case Kind::TextPtrOut: case Kind::TextSlots: case Kind::I32Out: case Kind::DoubleOut:
        return false;
    default:
        return true;
    }
}

std::string Usage(const Export& e) {
    std::string u;
    for (int i = 0; i < e.argc; ++i) {
        if (!Typed(e.args[i])) continue;
        if (!u.empty()) u += ' ';
        u += e.args[i].name;
    }
    return u;
}

Call::Call(const Export& e) : e_(e), slots_(static_cast<std::size_t>(e.argc)) {}

void Call::setInputs(const std::vector<std::string>& typed) {
    std::size_t want = 0;
    for (int i = 0; i < e_.argc; ++i) want += Typed(e_.args[i]);
    if (typed.size() != want)
        throw ArgError(std::string(e_.name) + " takes " + std::to_string(want) + " argument" +
                       (want == 1 ? "" : "s") + (want ? " (" + Usage(e_) + ")" : "") + ", " +
                       std::to_string(typed.size()) + " given");
    std::size_t k = 0;
    for (int i = 0; i < e_.argc; ++i)
        if (Typed(e_.args[i])) slots_[i].text = typed[k++];
}

void Call::run() {
    result_.clear();
    outputs_.clear();
    overran_ = false;
    e_.invoke(*this);
}

void Call::prepare() {
    for (int i = 0; i < e_.argc; ++i) {
        const Arg& a = e_.args[i];
        Slot& s = slots_[i];
        if (a.kind == Kind::TextOut) {
            s.buf.assign(static_cast<std::size_t>(a.size) + 1 + kGuard, kMark);
            s.buf[0] = '\0';
            s.bufPtr = (nullBuffers >> i) & 1u ? nullptr : s.buf.data();
        }
        s.ptrs.fill(nullptr);
        s.i32 = 0;
        s.real = 0;
    }
}

std::uint8_t Call::u8(int i) { return ParseInt<std::uint8_t>(slots_[i].text, 0, 255, e_.args[i]); }
std::int32_t Call::i32(int i) { return ParseInt<std::int32_t>(slots_[i].text, INT32_MIN, INT32_MAX, e_.args[i]); }
tbcom_handle Call::handle(int i) { return ParseInt<tbcom_handle>(slots_[i].text, 0, UINT32_MAX, e_.args[i]); }
double Call::real(int i) { return ParseReal(slots_[i].text, e_.args[i]); }
float Call::single(int i) { return static_cast<float>(ParseReal(slots_[i].text, e_.args[i])); }
const char* Call::textIn(int i) { return isNull(i) ? nullptr : slots_[i].text.c_str(); }
char** Call::textOut(int i) { return isNull(i) ? nullptr : &slots_[i].bufPtr; }
const char** Call::textPtrOut(int i) { return isNull(i) ? nullptr : slots_[i].ptrs.data(); }
char** Call::textSlots(int i) { return isNull(i) ? nullptr : g_slots.data(); }
std::int32_t* Call::i32Out(int i) { return isNull(i) ? nullptr : &slots_[i].i32; }
double* Call::doubleOut(int i) { return isNull(i) ? nullptr : &slots_[i].real; }
tbcom_handle* Call::handleInOut(int i) {
    slots_[i].handle = handle(i);
    return isNull(i) ? nullptr : &slots_[i].handle;
}
const double* Call::doubleArray(int i) {
    if (isNull(i)) return nullptr;
    Slot& s = slots_[i];
    s.reals.clear();
    for (const auto& v : SplitList(s.text)) s.reals.push_back(ParseReal(v, e_.args[i]));
    checkArrayLength(i, s.reals.size());
    return s.reals.data();
}
const std::int32_t* Call::i32Array(int i) {
    if (isNull(i)) return nullptr;
    Slot& s = slots_[i];
    s.ints.clear();
    for (const auto& v : SplitList(s.text))
        s.ints.push_back(ParseInt<std::int32_t>(v, INT32_MIN, INT32_MAX, e_.args[i]));
    checkArrayLength(i, s.ints.size());
    return s.ints.data();
}

// The library reads an array up to the index its <name>High argument gives:
// a shorter list would have it read past the values typed.
void Call::checkArrayLength(int i, std::size_t count) {
    const std::string high = std::string(e_.args[i].name) + "High";
    for (int k = 0; k < e_.argc; ++k) {
        if (high != e_.args[k].name) continue;
        const auto top = ParseInt<std::int32_t>(slots_[k].text, INT32_MIN, INT32_MAX, e_.args[k]);
        if (top >= 0 && count <= static_cast<std::size_t>(top))
            throw ArgError(std::string(e_.args[i].name) + ": " + std::to_string(count) + " value" +
                           (count == 1 ? "" : "s") + " given, " + high + " " + std::to_string(top) +
                           " reads " + std::to_string(top + 1LL));
    }
}

void Call::finish() { collect(); }

void Call::collect() {
    for (int i = 0; i < e_.argc; ++i) {
        const Arg& a = e_.args[i];
        Slot& s = slots_[i];
        std::string v;
        switch (a.kind) {
        case Kind::TextOut: {
            if (isNull(i) || !s.bufPtr) continue;
            const std::size_t room = static_cast<std::size_t>(a.size) + 1;
            for (std::size_t g = room; g < s.buf.size(); ++g) overran_ |= s.buf[g] != kMark;
            v.assign(s.buf.data(), strnlen(s.buf.data(), room));
            overran_ |= v.size() > static_cast<std::size_t>(a.size);
            break;
        }
        case Kind::TextPtrOut:
        case Kind::TextSlots: {
            if (isNull(i)) continue;
            const char* const* p = a.kind == Kind::TextSlots ? g_slots.data() : s.ptrs.data();
            for (int k = 0; k < a.size; ++k) {
                if (k) v += ',';
                v += p[k] ? p[k] : "";
            }
            break;
        }
        case Kind::I32Out: if (isNull(i)) continue; v = std::to_string(s.i32); break;
        case Kind::DoubleOut: if (isNull(i)) continue; v = FormatReal(s.real); break;
        case Kind::HandleInOut: if (isNull(i)) continue; v = std::to_string(s.handle); break;
        default: continue;
        }
        outputs_.emplace_back(a.name, std::move(v));
    }
}

}  // namespace tbcom::table
