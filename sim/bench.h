// A whole simulated bench: the virtual clock, the bench line with the bench
// controller, the unit at 0x41 and the position units, the physical world they
// share, and the platform seam over it. Tests make one per case; benchsim runs
// the same devices against a pseudo-terminal.
#pragma once

#include <memory>
#include <vector>

#include "bench_board.h"
#include "clock_unit.h"
#include "dip_rig.h"
#include "line.h"
#include "modbus_slave.h"
#include "position_unit.h"
#include "power_measure_unit.h"
#include "pulse_board.h"
#include "sim_platform.h"
#include "source_rig.h"
#include "source_regulator.h"
#include "std_meter_rig.h"
#include "waveform_memory.h"
#include "world.h"

namespace tbcom::sim {

struct BenchConfig {
    int benchCom = 3;
    int positions = 3;
    // The standard meter on the bench line, and what register 0 of the
    // controller reports (left at 0 without a meter).
    StdMeterModel stdMeter = StdMeterModel::None;
    int stdMeterKind = 5;
    double maxCurrentA = 100;
    // The device that takes the source's range commands.
    SourceModel source = SourceModel::None;
    // Modbus address of the pulse board (DMAddr), 0 = no board.
    int pulseBoardAddress = 0;
    // COM number of the VN-74's own line (its meter, its source or both).
    int vn74Com = 2;
};

class Bench {
public:
    explicit Bench(BenchConfig cfg = {});
    ~Bench();
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

    // Makes this bench the platform of the library (and undoes it on
    // destruction).
    void install();

    VirtualClock clock;
    World world;
    Line line{clock};
    // The VN-74's own line at 57600 baud, on the same clock and world.
    Line vn74Line{clock};
    SimPlatform platform{clock};

    ModbusSlave& controller() { return *controller_; }
    // The power source behind the controller's output registers.
    SourceRegulator& regulator() { return *regulator_; }
    BenchBoard& board() { return *board_; }
    ClockUnit& clockUnit() { return *clockUnit_; }
    // Forgets what the devices recorded for tests (the wire log, frames and
    // writes received), so that a bench serving for days stays small.
    void dropRecords();
    PositionUnit& unit(int position) { return *units_.at(static_cast<size_t>(position - 1)); }
    int positions() const { return static_cast<int>(units_.size()); }
    // Power-measurement units, channels 0 .. 3 x positions, and the power
    // test switch.
    PowerMeasureUnit& powerUnit(int channel) { return *powerUnits_.at(static_cast<size_t>(channel)); }
    PowerTestSwitch& powerTest() { return *powerTest_; }
    const BenchConfig& config() const { return cfg_; }
    StdMeterRig stdMeter;
    // Puts a standard meter on the bench line and has register 0 of the
    // controller report `kind` and `maxCurrentA`. Works on a running bench
    // too (benchsim adds its meter this way).
    void addStdMeter(StdMeterModel model, int kind = 5, double maxCurrentA = 100);
    SourceRig source;
    // Puts the source's range device on the line, behind the link switch
    // (the VN-74 on its own line, attached as COM vn74Com).
    void addSource(SourceModel model);

    // The dip programme and counters of the controller, and the
    // interruption controller at device 178.
    DipRig dips;
    ModbusSlave& interrupter() { return *interrupter_; }
    // The six synthesized waveforms the controller holds.
    WaveformMemory waves;
    // Puts the pulse board on the line at `address`; nullptr until then.
    PulseBoard& addPulseBoard(int address);
    PulseBoard* pulseBoard() { return pulseBoard_; }

    double nowSeconds() const { return static_cast<double>(clock.us) / 1e6; }
    void advance(double seconds) { clock.us += static_cast<std::uint64_t>(seconds * 1e6); }

private:
    BenchConfig cfg_;
    ModbusSlave* controller_;
    SourceRegulator* regulator_;
    BenchBoard* board_;
    ClockUnit* clockUnit_;
    std::vector<PositionUnit*> units_;
    std::vector<PowerMeasureUnit*> powerUnits_;
    PowerTestSwitch* powerTest_;
    ModbusSlave* interrupter_;
    PulseBoard* pulseBoard_ = nullptr;
    bool installed_ = false;
};

}  // namespace tbcom::sim
