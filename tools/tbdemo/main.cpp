// tbdemo: a short bench session through the shared library, loaded the way a
// host loads it, against the bench on COM3:
//   0. sets the source to 220 V, 5 A, power factor 1.0 on all three phases
//      and has it corrected against the standard meter; prints the request
//      and how long it took;
//   1. resets the error calculators, starts an error test on positions 1 to 3
//      and prints each position's error;
//   2. reads the three-phase standard meter and prints U, I, P per phase and
//      the frequency;
//   3. runs a clock test of meter 1 on the clock unit and, while its gate is
//      open, switches the RS-485 channel to position 2 and runs a constant
//      test there; prints the constant test's counts and the clock's daily
//      error;
//   4. switches the source off.
//
//   tbdemo LIBRARY [METER_CONSTANT]
//
// Exit 0 when every step gave its result, 1 otherwise, 2 on bad use.
#include <dlfcn.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>
#include <vector>

#include "library.h"

namespace {

constexpr std::uint8_t kPort = 3;
constexpr int kPositions = 3;
constexpr double kErrorTimeoutSeconds = 15;
const char kStdModel[] = "KP8707C-66";
// The clock unit counts against its 5 MHz reference, so one reference count
// over a gate of s seconds is 86400 / (s x 5e6) s/day: 0.0017 s/day for 10 s,
// well below the hundredths the daily error is written in. A 10 s gate of a
// 1 Hz clock pulse therefore shows a meter running 0.50 s/day fast exactly.
constexpr int kClockGateSeconds = 10;
constexpr double kClockHz = 1.0;
constexpr std::uint8_t kConstPosition = 2;

double now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void pause(double seconds) {
    const auto whole = static_cast<time_t>(seconds);
    timespec ts{whole, static_cast<long>((seconds - static_cast<double>(whole)) * 1e9)};
    nanosleep(&ts, nullptr);
}

// Fields of a comma-separated text.
std::vector<std::string> fields(const std::string& text) {
    std::vector<std::string> out;
    size_t from = 0;
    for (size_t comma; (comma = text.find(',', from)) != std::string::npos; from = comma + 1)
        out.push_back(text.substr(from, comma - from));
    out.push_back(text.substr(from));
    return out;
}

// Error test on every position; true when each reported an error.
bool errorTable(const tbdemo::Library& lib, double constant) {
    if (!lib.Error_Clear(kPort)) {
        std::fprintf(stderr, "tbdemo: Error_Clear failed (is the bench on COM%d?)\n", kPort);
        return false;
    }
    for (int p = 1; p <= kPositions; ++p)
        if (!lib.Error_Start(static_cast<std::uint8_t>(p), constant, 1, kPort))
            std::fprintf(stderr, "tbdemo: Error_Start refused at position %d\n", p);

    // Poll until each calculator has completed a measurement (its status
    // character is no longer '0') or the time is up.
    std::string results[kPositions];
    const double start = now();
    for (bool pending = true; pending && now() - start < kErrorTimeoutSeconds;) {
        pending = false;
        for (int p = 1; p <= kPositions; ++p) {
            if (!results[p - 1].empty()) continue;
            char buf[64] = "";
            char* ref = buf;
            if (lib.Error_Read(&ref, static_cast<std::uint8_t>(p), kPort) && buf[0] != '0') results[p - 1] = buf;
            else pending = true;
        }
        if (pending) pause(0.2);
    }
    int missing = 0;
    std::printf("%-10s %s\n", "position", "error");
    for (int p = 1; p <= kPositions; ++p) {
        const std::string& r = results[p - 1];
        if (r.empty()) ++missing;
        std::printf("%-10d %s\n", p, r.empty() ? "(no result)" : r.c_str());
    }
    std::printf("error test done in %.1f s\n\n", now() - start);
    return missing == 0;
}

// The standard meter's reading text in a readable form.
bool stdMeterReading(const tbdemo::Library& lib) {
    char buf[1100] = "";  // a plain request: the 28-field reading text
    char* ref = buf;
    if (!lib.StdMeter_Read(&ref, kStdModel, kPort)) {
        std::fprintf(stderr, "tbdemo: StdMeter_Read failed\n");
        return false;
    }
    const auto f = fields(buf);
    if (f.size() != 28) {
        std::fprintf(stderr, "tbdemo: the standard meter gave \"%s\"\n", buf);
        return false;
    }
    std::printf("standard meter %s\n", kStdModel);
    std::printf("%-7s %10s %10s %12s %7s\n", "phase", "U (V)", "I (A)", "P (W)", "PF");
    const char* names[] = {"A", "B", "C"};
    for (int k = 0; k < 3; ++k)
        std::printf("%-7s %10s %10s %12s %7s\n", names[k], f[k].c_str(), f[3 + k].c_str(), f[9 + k].c_str(),
                    f[22 + k].c_str());
    std::printf("%-7s %10s %10s %12s %7s\n", "total", "", "", f[18].c_str(), f[25].c_str());
    std::printf("frequency %s Hz\n\n", f[21].c_str());
    return true;
}

// The output request of the session, timed.
bool setOutput(const tbdemo::Library& lib) {
    constexpr double kU = 220, kI = 5, kF = 50;
    std::printf("output request: %g V, %g A, PF 1.0, %g Hz on phases A, B, C (model %s)\n", kU, kI, kF, kStdModel);
    const double t0 = now();
    const std::int32_t r = lib.Adjust_UI(1, kU, kI, kF, 0, 0, 100, 100, "H", "1.0", kStdModel, kPort);
    std::printf("Adjust_UI returned %d after %.2f s (settling and correction)\n\n", r, now() - t0);
    if (r != 1) std::fprintf(stderr, "tbdemo: the output request failed\n");
    // The simulated standard meter gives 10000 pulses per kWh whatever the
    // ranges, while the library takes the constant of the ranges it chose.
    lib.SetStdConst(10000);
    return r == 1;
}

// Reads the constant test's counts at the position; true on success.
bool constantTestResult(const tbdemo::Library& lib, double constant, double startedAt) {
    std::int32_t pulses = 0;
    double energy = 0, stdEnergy = 0;
    const bool ok = lib.Count_Read(&pulses, kConstPosition, kPort) &&
                    lib.ConstPulse_Read(&energy, &stdEnergy, constant, kConstPosition, kPort);
    if (!ok) {
        std::fprintf(stderr, "tbdemo: no count from position %d\n", kConstPosition);
        return false;
    }
    std::printf("constant test at position %d over %.1f s: %d meter pulses, meter %.5f kWh, standard %.5f kWh\n",
                kConstPosition, now() - startedAt, pulses, energy, stdEnergy);
    return true;
}

// Clock test of the meter wired to the clock unit, with a constant test at
// position 2 running while the gate is open.
bool clockAndConstantTest(const tbdemo::Library& lib, double constant) {
    std::printf("clock test on the clock unit: %g Hz clock pulse, 5 MHz reference, gate %d s\n", kClockHz,
                kClockGateSeconds);
    std::printf("(one reference count in %d s is %.4f s/day, so the hundredths are exact)\n", kClockGateSeconds,
                86400.0 / (kClockGateSeconds * 5e6));
    bool ok = lib.SetRefClock(1, kPort) && lib.Clock_Test_StartL(kClockHz, kClockGateSeconds, kPort);
    if (!ok) {
        std::fprintf(stderr, "tbdemo: the clock unit did not start\n");
        return false;
    }
    const double gateStart = now();

    // The gate runs on the clock unit by itself: meanwhile the bus serves
    // position 2.
    bool constOk = lib.Set_485_Channel(kConstPosition, 1, kPort);
    const double constStart = now();
    constOk = constOk && lib.ConstTest_Start(kConstPosition, constant, kPort);
    if (constOk)
        std::printf("RS-485 channel switched to position %d; constant test started there during the gate\n",
                    kConstPosition);
    else
        std::fprintf(stderr, "tbdemo: position %d did not take the RS-485 switch or the constant test\n",
                     kConstPosition);

    // The unit's status character turns '1' when the gate is full.
    bool full = false;
    while (!full && now() - gateStart < kClockGateSeconds + 5) {
        pause(0.5);
        char status[32] = "";
        char* ref = status;
        full = lib.Clock_Test_Read(&ref, kPort) && status[0] == '1';
    }
    const bool constRead = constOk && constantTestResult(lib, constant, constStart);

    char daily[32] = "", hz[32] = "";
    char* dailyRef = daily;
    char* hzRef = hz;
    ok = full && lib.Clock_Test_ReadL(&dailyRef, kClockHz, 1, kPort) && lib.Clock_Test_ReadL(&hzRef, kClockHz, 0, kPort);
    if (ok)
        std::printf("clock of meter 1: daily error %s s/day, clock frequency %s Hz (gate of %.1f s)\n", daily, hz,
                    now() - gateStart);
    else
        std::fprintf(stderr, "tbdemo: the clock gate did not complete\n");
    lib.Clock_Test_Stop(kPort);
    lib.SetRefClock(2, kPort);
    lib.Set_485_Channel(kConstPosition, 0, kPort);
    return ok && constRead;
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
    void* handle = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "tbdemo: %s\n", dlerror());
        return 1;
    }
    tbdemo::Library lib;
    if (!lib.load(handle)) return 1;

    const double start = now();
    std::printf("bench on COM%d, meter constant %g\n", kPort, constant);
    bool ok = setOutput(lib);
    if (ok) {
        std::printf("reading after the correction:\n");
        ok = stdMeterReading(lib);
    }
    if (ok) ok = errorTable(lib, constant);
    if (ok) ok = clockAndConstantTest(lib, constant) && ok;
    if (lib.Power_Off(kPort) != 1) ok = false;
    std::printf("source switched off\n");
    lib.Dll_Port_Close();
    std::printf("done in %.1f s\n", now() - start);
    return ok ? 0 : 1;
}
