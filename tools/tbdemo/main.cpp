// tbdemo: a short bench session through the shared library, loaded the way a
// host loads it. Resets the error calculators on COM3, starts an error test
// on positions 1 to 3 and prints each position's error.
//
//   tbdemo LIBRARY [METER_CONSTANT]
//
// Exit 0 when every position reported an error, 1 otherwise, 2 on bad use.
#include <dlfcn.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tbcom.h"

namespace {

constexpr std::uint8_t kPort = 3;
constexpr int kPositions = 3;
constexpr double kTimeoutSeconds = 15;

double now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

template <class F>
F lookup(void* lib, const char* name) {
    auto f = reinterpret_cast<F>(dlsym(lib, name));
    if (!f) std::fprintf(stderr, "tbdemo: the library has no %s\n", name);
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tbdemo LIBRARY [METER_CONSTANT]\n");
        return 2;
    }
    const double constant = argc > 2 ? std::strtod(argv[2], nullptr) : 1000;
    if (!(constant > 0)) {
        std::fprintf(stderr, "tbdemo: bad meter constant %s\n", argv[2]);
        return 2;
    }
    void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        std::fprintf(stderr, "tbdemo: %s\n", dlerror());
        return 1;
    }
    auto errorClear = lookup<decltype(&Error_Clear)>(lib, "Error_Clear");
    auto errorStart = lookup<decltype(&Error_Start)>(lib, "Error_Start");
    auto errorRead = lookup<decltype(&Error_Read)>(lib, "Error_Read");
    auto portClose = lookup<decltype(&Dll_Port_Close)>(lib, "Dll_Port_Close");
    if (!errorClear || !errorStart || !errorRead || !portClose) return 1;

    std::printf("bench on COM%d, meter constant %g\n", kPort, constant);
    if (!errorClear(kPort)) {
        std::fprintf(stderr, "tbdemo: Error_Clear failed (is the bench on COM%d?)\n", kPort);
        return 1;
    }
    for (int p = 1; p <= kPositions; ++p)
        if (!errorStart(static_cast<std::uint8_t>(p), constant, 1, kPort))
            std::fprintf(stderr, "tbdemo: Error_Start refused at position %d\n", p);

    // Poll until each calculator has completed a measurement (its status
    // character is no longer '0') or the time is up.
    std::string results[kPositions];
    const double start = now();
    for (bool pending = true; pending && now() - start < kTimeoutSeconds;) {
        pending = false;
        for (int p = 1; p <= kPositions; ++p) {
            if (!results[p - 1].empty()) continue;
            char buf[64] = "";
            char* ref = buf;
            if (errorRead(&ref, static_cast<std::uint8_t>(p), kPort) && buf[0] != '0') results[p - 1] = buf;
            else pending = true;
        }
        if (pending) {
            timespec pause{0, 200000000};
            nanosleep(&pause, nullptr);
        }
    }
    portClose();

    int missing = 0;
    std::printf("%-10s %s\n", "position", "error");
    for (int p = 1; p <= kPositions; ++p) {
        const std::string& r = results[p - 1];
        if (r.empty()) ++missing;
        std::printf("%-10d %s\n", p, r.empty() ? "(no result)" : r.c_str());
    }
    std::printf("done in %.1f s\n", now() - start);
    return missing == 0 ? 0 : 1;
}
