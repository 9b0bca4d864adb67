#include "bench.h"

namespace tbcom::sim {

Bench::Bench(BenchConfig cfg) : cfg_(cfg) {
    world.meters.resize(static_cast<size_t>(cfg.positions));
    controller_ = &line.add<ModbusSlave>("ctrl", 0xB1);
    board_ = &line.add<BenchBoard>();
    for (int p = 1; p <= cfg.positions; ++p) units_.push_back(&line.add<PositionUnit>(p, world));
    board_->switches.world = &world;
    for (int c = 0; c <= 3 * cfg.positions; ++c) powerUnits_.push_back(&line.add<PowerMeasureUnit>(c, world));
    powerTest_ = &line.add<PowerTestSwitch>();
    AttachStdMeter(stdMeter, cfg.stdMeter, line, *controller_, world);
    if (cfg.stdMeter != StdMeterModel::None) stdMeter.setKind(*controller_, cfg.stdMeterKind, cfg.maxCurrentA);
    platform.attach(cfg.benchCom, line);
}

Bench::~Bench() {
    if (installed_) platform::install(nullptr);
}

void Bench::install() {
    platform::install(&platform);
    installed_ = true;
}

}  // namespace tbcom::sim
