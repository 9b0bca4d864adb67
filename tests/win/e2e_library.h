// The e2e host's view of tbcom.dll: loaded at run time with LoadLibraryA and
// its exports fetched with GetProcAddress, typed from the public header so
// a signature change shows up here at compile time.
#pragma once

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "tbcom.h"

namespace tbcom::e2e {

class Library {
public:
    // Loads "tbcom.dll" from beside the host executable.
    Library();
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    HMODULE module() const { return module_; }

    // The export `name`, cast to the type of the header's prototype.
    template <class Fn>
    Fn get(const char* name) const {
        FARPROC p = GetProcAddress(module_, name);
        if (!p) throw std::runtime_error(std::string("missing export ") + name);
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(p));
    }

private:
    HMODULE module_ = nullptr;
};

// The serial port the bench simulator is mapped to (TBCOM_E2E_PORT, default 3).
std::uint8_t BenchPort();

// Seconds on the tick counter, for the coarse bounds of the retry scenario.
double TickSeconds();

}  // namespace tbcom::e2e

#define TBCOM_FN(lib, name) (lib).get<decltype(&::name)>(#name)
