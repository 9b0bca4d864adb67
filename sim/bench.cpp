#include "bench.h"

namespace tbcom::sim {

Bench::Bench(BenchConfig cfg) : cfg_(cfg) {
    world.meters.resize(static_cast<size_t>(cfg.positions));
    controller_ = &line.add<ModbusSlave>("ctrl", 0xB1);
    // Ahead of every meter on the line, so each burst sees the output as it is now.
    regulator_ = &line.add<SourceRegulator>(world);
    regulator_->attach(*controller_, clock);
    board_ = &line.add<BenchBoard>();
    clockUnit_ = &line.add<ClockUnit>(world);
    for (int p = 1; p <= cfg.positions; ++p) units_.push_back(&line.add<PositionUnit>(p, world));
    board_->switches.world = &world;
    for (int c = 0; c <= 3 * cfg.positions; ++c) powerUnits_.push_back(&line.add<PowerMeasureUnit>(c, world));
    powerTest_ = &line.add<PowerTestSwitch>();
    interrupter_ = &line.add<ModbusSlave>("break", 0xB2);
    dips.attach(*controller_, *interrupter_, clock);
    waves.attach(*controller_);
    if (cfg.stdMeter != StdMeterModel::None) addStdMeter(cfg.stdMeter, cfg.stdMeterKind, cfg.maxCurrentA);
    if (cfg.source != SourceModel::None) addSource(cfg.source);
    if (cfg.pulseBoardAddress != 0) addPulseBoard(cfg.pulseBoardAddress);
    platform.attach(cfg.benchCom, line);
}

void Bench::addStdMeter(StdMeterModel model, int kind, double maxCurrentA) {
    AttachStdMeter(stdMeter, model, line, *controller_, world);
    stdMeter.setKind(*controller_, kind, maxCurrentA);
    if (model == StdMeterModel::Vn74 && !stdMeter.vn74) {
        stdMeter.vn74 = &vn74Line.add<Vn74Meter>(world);
        platform.attach(cfg_.vn74Com, vn74Line);
    }
}

void Bench::addSource(SourceModel model) {
    AttachStdMeter(stdMeter, StdMeterModel::None, line, *controller_, world);  // the link switch's hooks
    AttachSource(source, model, line, world, [this] { return stdMeter.meterConnected(*controller_); }, vn74Line);
    if (model == SourceModel::Vn74) platform.attach(cfg_.vn74Com, vn74Line);
}

PulseBoard& Bench::addPulseBoard(int address) {
    pulseBoard_ = &line.add<PulseBoard>(static_cast<std::uint8_t>(address), world, clock);
    return *pulseBoard_;
}

void Bench::dropRecords() {
    line.clearLog();
    vn74Line.clearLog();
    controller_->writes.clear();
    interrupter_->writes.clear();
    if (source.lx) source.lx->writes.clear();
    if (source.wb) source.wb->writes.clear();
    if (pulseBoard_) pulseBoard_->writes.clear();
    board_->received.clear();
    board_->notices.clear();
    regulator_->setPoints.clear();
    regulator_->voltPara.clear();
    clockUnit_->received.clear();
    for (PositionUnit* u : units_) {
        u->received.clear();
        u->switches.orders.clear();
    }
}

Bench::~Bench() {
    if (installed_) platform::install(nullptr);
}

void Bench::install() {
    platform::install(&platform);
    installed_ = true;
}

}  // namespace tbcom::sim
