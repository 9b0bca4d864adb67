#include "vn74_line_server.h"

#include "realtime_pump.h"

namespace benchsim {

bool Vn74LineServer::start(const std::string& dir, int com, const tbcom::sim::World& world, double errorPct,
                           bool keepWireLog, std::string& error) {
    if (!link_.open(dir, com, error)) return false;
    world_ = world;
    line_ = std::make_unique<tbcom::sim::Line>(clock_);
    line_->add<tbcom::sim::Vn74Meter>(world_).errorPct = errorPct;
    PumpIo io{link_.master(), link_.slave(), {}, keepWireLog, true, nullptr};
    pthread_sigmask(SIG_BLOCK, nullptr, &io.waitMask);
    stop_ = 0;
    thread_ = std::thread([this, io] { RunRealtimeLine(*line_, clock_, io, stop_); });
    return true;
}

void Vn74LineServer::stop() {
    if (thread_.joinable()) {
        stop_ = 1;
        thread_.join();
    }
    link_.close();
}

}  // namespace benchsim
