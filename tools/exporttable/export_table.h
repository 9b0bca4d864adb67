// Every export of the library as data, generated from the public header:
// names, families, docs, argument kinds, and a caller per export that takes
// its arguments as texts. tbctl and the tests that sweep all exports call the
// library through it, so a new export in the header reaches them unchanged.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tbcom.h"

namespace tbcom::table {

enum class Kind {
    U8, I32, Handle, Double, Single,     // by value
    TextIn,                              // const char *
    TextOut,                             // char **, size = longest text
    TextPtrOut,                          // const char **, size = pointers
    TextSlots,                           // char ** slot array, size = slots
    I32Out, DoubleOut,                   // int32_t *, double *
    HandleInOut,                         // tbcom_handle *
    DoubleArray, I32Array,               // const double * / const int32_t * with <name>High
};
enum class Result { Void, Bool, I32, Handle, Double };

struct Arg {
    const char* name;
    const char* ctype;
    Kind kind;
    int size;
};

class Call;

struct Export {
    const char* name;
    const char* family;
    const char* summary;  // first sentence of the doc
    const char* doc;
    Result result;
    int argc;
    const Arg* args;
    void (*invoke)(Call&);
};

struct Family {
    const char* name;
    const char* doc;  // the conventions the family's functions share
};

std::span<const Export> Exports();
std::span<const Family> Families();
const Export* Find(std::string_view name);

// Whether the host types a value for the argument (inputs and in/out
// handles) or only reads what the call wrote.
bool Typed(const Arg& a);
// "position port" style list of the typed arguments.
std::string Usage(const Export& e);

struct ArgError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One call of an export: inputs as texts in, result and outputs as texts out.
class Call {
public:
    explicit Call(const Export& e);

    // The typed arguments in order; throws ArgError for a wrong count.
    void setInputs(const std::vector<std::string>& typed);
    // Bit i: pass NULL for pointer argument i. nullBuffers bit i: pass a
    // text-out reference to a NULL buffer.
    unsigned nullPointers = 0;
    unsigned nullBuffers = 0;

    // Calls the export (throws ArgError for a value that does not parse;
    // nothing is called then).
    void run();

    const Export& exp() const { return e_; }
    const std::string& result() const { return result_; }
    // Outputs by argument name, in argument order.
    const std::vector<std::pair<std::string, std::string>>& outputs() const { return outputs_; }
    // True when a text was written past the longest text its doc states.
    bool overran() const { return overran_; }

    // Used by the generated callers.
    void prepare();
    std::uint8_t u8(int i);
    std::int32_t i32(int i);
    tbcom_handle handle(int i);
    double real(int i);
    float single(int i);
    const char* textIn(int i);
    char** textOut(int i);
    const char** textPtrOut(int i);
    char** textSlots(int i);
    std::int32_t* i32Out(int i);
    double* doubleOut(int i);
    tbcom_handle* handleInOut(int i);
    const double* doubleArray(int i);
    const std::int32_t* i32Array(int i);
    void finish();
    template <class R>
    void finish(R r);

private:
    struct Slot {
        std::string text;
        std::vector<char> buf;
        char* bufPtr = nullptr;
        std::array<const char*, 32> ptrs{};
        std::int32_t i32 = 0;
        double real = 0;
        tbcom_handle handle = 0;
        std::vector<double> reals;
        std::vector<std::int32_t> ints;
    };
    bool isNull(int i) const { return (nullPointers >> i) & 1u; }
    void checkArrayLength(int i, std::size_t count);
    void collect();

    const Export& e_;
    std::vector<Slot> slots_;
    std::string result_;
    std::vector<std::pair<std::string, std::string>> outputs_;
    bool overran_ = false;
};

std::string FormatReal(double v);

template <class R>
void Call::finish(R r) {
    if constexpr (std::is_floating_point_v<R>)
        result_ = FormatReal(r);
    else
        result_ = std::to_string(+r);
    collect();
}

}  // namespace tbcom::table
