#include "realtime_pump.h"

#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>

#include "platform/posix/termios_settings.h"

namespace benchsim {

namespace {

using tbcom::sim::Line;

std::uint64_t monotonicUs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000u;
}

// Longest benchsim sleeps when nothing is due.
constexpr std::uint64_t kIdleUs = 50000;

class Pump {
public:
    Pump(Line& line, tbcom::sim::VirtualClock& clock, const PumpIo& io)
        : line_(line), clock_(clock), io_(io), t0_(monotonicUs() - clock.us) {}

    void step() {
        wait(prepare());
        finish();
    }
    // Before a wait: delivers what is due, ends a burst the host finished;
    // returns when the next thing is due.
    std::uint64_t prepare() {
        syncClock();
        deliver();
        if (!burst_.empty() && clock_.us >= lastByteUs_ + BurstGapUs(hostSettings())) endBurst();
        return deadline();
    }
    // After a wait: takes what the host wrote.
    void finish() {
        syncClock();
        takeHostBytes();
    }
    // Waits until `deadlineUs` or until one of the pumps' hosts writes.
    static void waitAll(Pump* const* pumps, int count, std::uint64_t deadlineUs) {
        const Pump& first = *pumps[0];
        const std::uint64_t now = first.clock_.us;
        const std::uint64_t us = deadlineUs > now ? deadlineUs - now : 0;
        timespec ts{static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000};
        pollfd p[2];
        for (int k = 0; k < count; ++k) p[k] = pollfd{pumps[k]->io_.master, POLLIN, 0};
        const int r = ppoll(p, static_cast<nfds_t>(count), &ts, &first.io_.waitMask);
        bool input = false;
        for (int k = 0; k < count; ++k) input = input || (p[k].revents & POLLIN);
        // No host on a terminal reports a hang-up at once: sleep instead.
        if (r > 0 && !input) nanosleep(&ts, nullptr);
    }

private:
    void syncClock() { clock_.us = std::max(clock_.us, monotonicUs() - t0_); }

    // The host's settings as the terminal holds them; the previous ones when
    // they cannot be read.
    tbcom::platform::SerialSettings hostSettings() {
        termios t{};
        if (tcgetattr(io_.slave, &t) == 0)
            if (auto s = tbcom::platform::posix::DecodeSettings(t, true))
                host_ = io_.readHostSettings ? io_.readHostSettings(*s) : *s;
        return host_;
    }

    void endBurst() {
        line_.setHostSettings(hostSettings());
        if (io_.burstFromFirstByte) {
            // The host's UART started sending with the first byte: the burst
            // is on the wire from then (or later, if the host wrote its bytes
            // more slowly than they travel), not from when its end was noticed.
            const std::uint64_t now = clock_.us;
            const std::uint64_t wire = Line::charUs(line_.hostSettings()) * burst_.size();
            const std::uint64_t lastEnd = lastByteUs_ + Line::charUs(line_.hostSettings());
            clock_.us = std::max(firstByteUs_, lastEnd > wire ? lastEnd - wire : 0);
            line_.hostWrite(burst_);
            clock_.us = now;
        } else {
            line_.hostWrite(burst_);
        }
        burst_.clear();
        deliver();
    }

    // Bytes that have arrived by now go to the host.
    void deliver() {
        std::uint8_t buf[1024];
        for (;;) {
            const int n = line_.hostRead(buf, sizeof buf);
            if (n <= 0) break;
            out_.append(reinterpret_cast<char*>(buf), static_cast<size_t>(n));
        }
        while (!out_.empty()) {
            const ssize_t w = ::write(io_.master, out_.data(), out_.size());
            if (w <= 0) break;  // the host's queue is full: the rest waits
            out_.erase(0, static_cast<size_t>(w));
        }
    }

    std::uint64_t deadline() {
        const std::uint64_t now = clock_.us;
        std::uint64_t d = now + kIdleUs;
        if (!burst_.empty()) d = std::min(d, lastByteUs_ + BurstGapUs(hostSettings()));
        if (const std::uint64_t next = line_.nextArrivalUs()) d = std::min(d, next);
        if (!out_.empty()) d = std::min(d, now + 1000);
        return d;
    }

    void wait(std::uint64_t deadlineUs) {
        Pump* self = this;
        waitAll(&self, 1, deadlineUs);
    }

    void takeHostBytes() {
        char buf[1024];
        for (;;) {
            const ssize_t n = ::read(io_.master, buf, sizeof buf);
            if (n <= 0) break;
            if (burst_.empty()) firstByteUs_ = clock_.us;
            burst_.append(buf, static_cast<size_t>(n));
            lastByteUs_ = clock_.us;
        }
    }

    Line& line_;
    tbcom::sim::VirtualClock& clock_;
    PumpIo io_;
    const std::uint64_t t0_;
    tbcom::platform::SerialSettings host_ = tbcom::sim::Settings(9600);
    std::string burst_;
    std::uint64_t firstByteUs_ = 0;
    std::uint64_t lastByteUs_ = 0;
    std::string out_;
};

}  // namespace

std::uint64_t BurstGapUs(const tbcom::platform::SerialSettings& host) {
    return std::max<std::uint64_t>(Line::charUs(host) * 7 / 2, 2000);
}

void RunRealtime(tbcom::sim::Bench& bench, const PumpIo& io, volatile sig_atomic_t& stop, const PumpIo* vn74) {
    Pump pump(bench.line, bench.clock, io);
    // The VN-74's line shares the bench's clock and world, so it is served
    // from this thread too.
    std::unique_ptr<Pump> vnPump;
    if (vn74) vnPump = std::make_unique<Pump>(bench.vn74Line, bench.clock, *vn74);
    Pump* pumps[] = {&pump, vnPump.get()};
    const int count = vn74 ? 2 : 1;
    // Without a wire-log file nobody reads what the devices record: drop it
    // now and then so that a bench left running for days keeps its memory flat.
    constexpr size_t kMaxLogEntries = 4096;
    while (!stop) {
        std::uint64_t deadline = pump.prepare();
        if (vnPump) deadline = std::min(deadline, vnPump->prepare());
        Pump::waitAll(pumps, count, deadline);
        for (int k = 0; k < count; ++k) pumps[k]->finish();
        const size_t logged = bench.line.log().size() + bench.vn74Line.log().size();
        if (!io.keepWireLog && logged > kMaxLogEntries) bench.dropRecords();
    }
}

}  // namespace benchsim

namespace benchsim {

void RunRealtimeLine(tbcom::sim::Line& line, tbcom::sim::VirtualClock& clock, const PumpIo& io,
                     volatile sig_atomic_t& stop) {
    Pump pump(line, clock, io);
    constexpr size_t kMaxLogEntries = 4096;
    while (!stop) {
        pump.step();
        if (!io.keepWireLog && line.log().size() > kMaxLogEntries) line.clearLog();
    }
}

}  // namespace benchsim
