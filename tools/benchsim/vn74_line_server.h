// --std-meter vn74: the VN-74 meter's own port, a second pseudo-terminal
// COM<N> (--vn74-port, 2 by default), served at 57600 baud on a thread of
// its own with its own virtual clock. The meter measures a copy of the
// bench's world taken at the start, so the two threads share nothing.
#pragma once

#include <signal.h>

#include <memory>
#include <string>
#include <thread>

#include "line.h"
#include "pty_link.h"
#include "vn74_meter.h"
#include "world.h"

namespace benchsim {

class Vn74LineServer {
public:
    Vn74LineServer() = default;
    ~Vn74LineServer() { stop(); }
    Vn74LineServer(const Vn74LineServer&) = delete;
    Vn74LineServer& operator=(const Vn74LineServer&) = delete;

    // Creates DIR/COM<com> and starts serving; false with `error` set. Call
    // with the stop signals blocked.
    bool start(const std::string& dir, int com, const tbcom::sim::World& world, double errorPct, bool keepWireLog,
               std::string& error);
    void stop();
    const std::string& linkPath() const { return link_.linkPath(); }

private:
    tbcom::sim::VirtualClock clock_;
    tbcom::sim::World world_;
    std::unique_ptr<tbcom::sim::Line> line_;
    PtyLink link_;
    std::thread thread_;
    volatile sig_atomic_t stop_ = 0;
};

}  // namespace benchsim
