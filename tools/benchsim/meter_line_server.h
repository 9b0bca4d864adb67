// --meter-line N: the RS-485 line to the simulated meters on a second
// pseudo-terminal, COM<N>, served on a thread of its own with its own
// virtual clock, so that neither line waits on the other.
#pragma once

#include <signal.h>

#include <memory>
#include <string>
#include <thread>

#include "meter_line.h"
#include "pty_link.h"

namespace benchsim {

class MeterLineServer {
public:
    MeterLineServer() = default;
    ~MeterLineServer() { stop(); }
    MeterLineServer(const MeterLineServer&) = delete;
    MeterLineServer& operator=(const MeterLineServer&) = delete;

    // Creates DIR/COM<com> and starts serving; false with `error` set. Call
    // with the stop signals blocked: the thread keeps them blocked, so they
    // reach the main thread only.
    bool start(const std::string& dir, int com, bool keepWireLog, std::string& error);
    // Ends the thread and removes the link.
    void stop();
    const std::string& linkPath() const { return link_.linkPath(); }

private:
    tbcom::sim::VirtualClock clock_;
    std::unique_ptr<tbcom::sim::MeterLine> meters_;
    PtyLink link_;
    std::thread thread_;
    volatile sig_atomic_t stop_ = 0;
};

}  // namespace benchsim
