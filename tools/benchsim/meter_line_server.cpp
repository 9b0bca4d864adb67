#include "meter_line_server.h"

#include "realtime_pump.h"

namespace benchsim {

bool MeterLineServer::start(const std::string& dir, int com, bool keepWireLog, std::string& error) {
    if (!link_.open(dir, com, error)) return false;
    meters_ = std::make_unique<tbcom::sim::MeterLine>(clock_);
    PumpIo io{link_.master(), link_.slave(), {}, keepWireLog, true};
    pthread_sigmask(SIG_BLOCK, nullptr, &io.waitMask);  // as blocked as now
    stop_ = 0;
    thread_ = std::thread([this, io] { RunRealtimeLine(meters_->line, clock_, io, stop_); });
    return true;
}

void MeterLineServer::stop() {
    if (thread_.joinable()) {
        stop_ = 1;
        thread_.join();
    }
    link_.close();
}

}  // namespace benchsim
