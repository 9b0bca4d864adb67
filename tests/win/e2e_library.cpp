#include "e2e_library.h"

#include <cstdlib>

namespace tbcom::e2e {

Library::Library() {
    module_ = LoadLibraryA("tbcom.dll");
    if (!module_) throw std::runtime_error("LoadLibraryA(tbcom.dll) failed: " + std::to_string(GetLastError()));
}

Library::~Library() {
    if (module_) FreeLibrary(module_);
}

std::uint8_t BenchPort() {
    const char* v = std::getenv("TBCOM_E2E_PORT");
    const int n = v ? std::atoi(v) : 3;
    return static_cast<std::uint8_t>(n > 0 && n < 256 ? n : 3);
}

double TickSeconds() { return GetTickCount() / 1000.0; }

}  // namespace tbcom::e2e
