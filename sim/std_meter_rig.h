// The standard meter of a simulated bench and its side of the bench
// controller: register 0 reports the meter's kind and the bench's maximum
// current, register 0x005A is the link switch (0 = the meter's line is
// connected; for kinds 5 and 7 the meter hears nothing while it is open),
// and register 58 reads back the built-in meter's values (kind 1).
#pragma once

#include <cstdint>

#include "dd7400_meter.h"
#include "gf7400_meter.h"
#include "kp_meter.h"
#include "lx7000_instrument.h"
#include "modbus_slave.h"
#include "plm_meter.h"
#include "torva_meter.h"
#include "vn74_meter.h"
#include "wb412e_meter.h"
#include "wb412i_meter.h"
#include "wb412u_meter.h"
#include "world.h"

namespace tbcom::sim {

enum class StdMeterModel { None, Kp3, Kp1N, Kp1G, Plm6007, Zak6009, Dd7400, Tb8760, Tb8700b,
                           Lx7000, Lx9700, Lx7000c, Wb412e, Wb412i, Vn74, Gf7400, Gf7404a, Torva, Wb412u };

struct StdMeterRig {
    KpMeter* kp = nullptr;
    PlmMeter* plm = nullptr;
    FrameMeter* frame = nullptr;
    Lx7000Instrument* lx = nullptr;  // shared with the source's range device
    Wb412eMeter* wb412e = nullptr;
    Wb412iMeter* wb412i = nullptr;   // shared with the source's range device
    Gf7400Meter* gf = nullptr;
    TorvaMeter* torva = nullptr;
    Wb412uMeter* wb412u = nullptr;
    Vn74Meter* vn74 = nullptr;       // on a line of its own (Bench::vn74Line)
    bool linkClosed = false;  // the switch's state (register 0x005A = 0)
    int linkWrites = 0;
    bool hooked = false;      // the controller's hooks are in place

    // Register 0: kind in the high byte, maximum current / 10 in the low.
    void setKind(ModbusSlave& ctrl, int kind, double maxCurrentA);
    // True while the meter hears the line.
    bool meterConnected(const ModbusSlave& ctrl) const;
};

// Adds the meter to the line and hooks the controller's registers (once per
// rig; a second meter shares the hooks). Model None only hooks; the VN-74,
// which is not on the bench line, is put on its line by Bench::addStdMeter.
void AttachStdMeter(StdMeterRig& rig, StdMeterModel model, Line& line, ModbusSlave& ctrl, World& world);

}  // namespace tbcom::sim
