// The e2e host's view of tbcom.dll: loaded at run time with LoadLibraryA from
// beside the host executable, its exports fetched with GetProcAddress and
// typed from the public header, so a signature change shows up here at
// compile time.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "tbcom.h"

namespace tbcom::e2e {

class Library {
public:
    Library() : module_(LoadLibraryA("tbcom.dll")) {
        if (!module_) throw std::runtime_error("LoadLibraryA(tbcom.dll) failed: " + std::to_string(GetLastError()));
    }
    ~Library() { FreeLibrary(module_); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // The export `name`, cast to the type of the header's prototype.
    template <class Fn>
    Fn get(const char* name) const {
        FARPROC p = GetProcAddress(module_, name);
        if (!p) throw std::runtime_error(std::string("missing export ") + name);
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(p));
    }

private:
    HMODULE module_;
};

// The serial port the bench simulator is mapped to (TBCOM_E2E_PORT, default 3).
inline std::uint8_t BenchPort() {
    const char* v = std::getenv("TBCOM_E2E_PORT");
    const int n = v ? std::atoi(v) : 3;
    return static_cast<std::uint8_t>(n > 0 && n < 256 ? n : 3);
}

// Seconds on the tick counter, for the coarse bounds of the timed scenarios.
inline double TickSeconds() { return GetTickCount() / 1000.0; }

}  // namespace tbcom::e2e

#define TBCOM_FN(lib, name) (lib).get<decltype(&::name)>(#name)
