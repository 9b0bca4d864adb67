// The bench's voltage dips and interruptions. The bench controller runs a
// dip programme written from register 0x0130 (12 or 15 registers: four
// 32-bit times in hundredths of a second, the number of dips, the depth and
// two words, then three more words in the extended form): the first dip
// starts t1 after the write, each lasts t2 and the next follows t3 after its
// end. Register 0x012A counts the dips of the programme in force completed
// so far, 0x0140 all dips completed since the bench was switched on.
// The interruption controller (device 178) takes its length and interval in
// hundredths of a second and the number of interruptions at 0x0010..0x0012,
// counts the completed ones at 0x0014 in BCD (12 reads 0x0012) and stops
// when 1 is written at 0x0030.
#pragma once

#include <cstdint>
#include <vector>

#include "line.h"
#include "modbus_slave.h"

namespace tbcom::sim {

class DipRig {
public:
    // Hooks the controller's programme and counter registers (earlier hooks
    // are kept) and the interruption controller's registers.
    void attach(ModbusSlave& controller, ModbusSlave& interrupter, VirtualClock& clock);

    std::vector<std::uint16_t> programme;  // the last programme written
    int programmes = 0;
    bool interruptionsStopped = false;

    int dipsCompleted(std::uint64_t nowUs) const;
    int interruptionsCompleted(std::uint64_t nowUs) const;

private:
    std::uint64_t programmeUs_ = 0;
    int earlierDips_ = 0;  // dips of programmes replaced by a newer one
    std::uint64_t interruptUs_ = 0;
    std::vector<std::uint16_t> interruptParams_;
    std::uint64_t stopUs_ = 0;
};

}  // namespace tbcom::sim
