// The guarded register write that the dip, interruption and waveform
// functions share: the source owns the bench port for the duration, a reader
// still collecting bytes is waited for (0.5 s at most), and the write is
// tried up to five times 0.3 s apart.
#pragma once

#include <cstdint>
#include <string_view>

namespace tbcom::source::drivers {

// Writes `data` from register `first` of Modbus device `dev` on the bench
// port at 9600 baud. OutputBusy is 1 while it runs and 0 afterwards. False
// when the port stays busy past 0.5 s or the bench port is closed (nothing
// is sent then), or when all five attempts fail.
bool ControllerWriteSequence(std::uint8_t dev, std::uint16_t first, std::string_view data);

}  // namespace tbcom::source::drivers
