#include "meter_line_server.h"

#include "realtime_pump.h"

namespace benchsim {

namespace {

// A pseudo-terminal keeps no data-bit count: a POSIX host marks 7 bits by
// stripping the eighth (ISTRIP), but wine's serial layer sets only CS7,
// which the terminal drops. At the sign-on's 300 baud with even parity,
// eight data bits are therefore taken for the seven such a host asked for.
tbcom::platform::SerialSettings SignOnSettings(tbcom::platform::SerialSettings s) {
    if (s.baud == 300 && s.parity == tbcom::platform::Parity::Even && s.dataBits == 8) s.dataBits = 7;
    return s;
}

}  // namespace

bool MeterLineServer::start(const std::string& dir, int com, bool keepWireLog, std::string& error) {
    if (!link_.open(dir, com, error)) return false;
    meters_ = std::make_unique<tbcom::sim::MeterLine>(clock_);
    PumpIo io{link_.master(), link_.slave(), {}, keepWireLog, true, SignOnSettings};
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
