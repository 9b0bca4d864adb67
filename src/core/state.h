// Module-wide bench state owned by the library frame: the two ports the
// library keeps, the busy flags that guard the bench port, and the bench-wide
// values the exported setters write. Reset by the load handler.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "platform/platform.h"

namespace tbcom::core {

struct BenchState {
    platform::PortHandle benchPort = 0;  // "9600,n,8,1": bus, source, standard meter, controller
    std::uint8_t benchPortNumber = 0;
    platform::PortHandle vn74Port = 0;   // "57600,n,8,1"
    std::int32_t vn74PortNumber = 0;
    // Handles the library closed after a refused setting while their owner
    // variable still holds them (getComHandle keeps showing the value). The
    // OS may reuse such a value for an object of the host, so it is never
    // passed to the OS again; see transport::Usable.
    std::set<platform::PortHandle> retiredHandles;

    std::uint8_t busBusy = 0;     // a fixed-length reader is collecting bytes
    std::uint8_t outputBusy = 0;  // a source operation owns the bench port

    std::int32_t stdMeterKind = -100;  // -100 = not yet learned
    double stdConst = 10000;
    double stdFreq = 50000;
    double ctRate = 1.0;
    std::int32_t dmAddr = 1;
    std::int32_t reviseMode = 3;
    double reviseTime = 5.5;
    std::uint8_t noRevise = 0;
    std::uint8_t backRate = 0;
    std::uint8_t sameRangeU = 0, sameRangeI = 0;
    std::uint8_t doubleVRang = 0, doubleARang = 0;
    std::int32_t doubleARangBL = 0;
    std::uint8_t outPutModeRequest = 0;
    // Size of the host's text-out buffers, terminator included (0: not
    // stated); every text written into a host buffer is cut to fit it.
    std::int32_t textBufferSize = 0;

    // Model designations of the last source request and the last standard
    // meter reading call.
    std::string sourceModel;
    std::string stdMeterModel;
};

BenchState& state();
void resetState();

}  // namespace tbcom::core
