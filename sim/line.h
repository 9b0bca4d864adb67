// The simulated bench line: a virtual clock, the devices on one serial line,
// the bytes in flight towards the host, fault injection and the wire log.
// Bytes travel at the line settings in force: a device whose settings differ
// from the host's does not understand what the host sends, and what it sends
// back reaches the host garbled.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace tbcom::sim {

using platform::SerialSettings;

inline SerialSettings Settings(std::uint32_t baud, platform::Parity parity = platform::Parity::None,
                               std::uint8_t bits = 8) {
    return SerialSettings{baud, bits, parity, platform::StopBits::One};
}

// Shared by every line of one simulated bench; advanced only by the host's
// waits and by tests.
struct VirtualClock {
    std::uint64_t us = 0;
    std::uint32_t baseMs = 1000000;  // what the 32-bit counters read at us = 0
    std::uint32_t ms() const { return static_cast<std::uint32_t>(baseMs + us / 1000); }
};

enum class FaultKind {
    Silence,      // the device does not answer
    BadChecksum,  // the reply's next-to-last byte is corrupted
    Refuse,       // the device refuses (devices look this one up themselves)
    Noise,        // `bytes` arrive ahead of the reply
    Split,        // the reply arrives in two halves, `seconds` apart
    Delay,        // the reply starts `seconds` later than usual
    Short,        // the reply loses its last `count` bytes (param)
    Trailing,     // `bytes` arrive right behind the reply
    Babble,       // instead of the reply, bursts of `bytes` every `param` ms for
                  // `seconds`: bytes that never form a reply
    Vanish,       // the host's port goes away (a pulled USB adapter): after
                  // `param` more host writes, every port operation fails
};

struct Fault {
    std::string device;   // device name, or "*" for any
    FaultKind kind;
    int times = 1;        // replies affected; -1 = every reply
    double seconds = 0;
    std::string bytes;
    int param = 0;
};

struct WireEntry {
    enum Dir { FromHost, ToHost } dir;
    std::uint64_t atUs;  // start of transmission
    std::string bytes;
    std::string device;  // the sender for ToHost entries
    SerialSettings settings;
};

class Line;

class Device {
public:
    explicit Device(std::string name, SerialSettings s = Settings(9600)) : name_(std::move(name)), settings_(s) {}
    virtual ~Device() = default;
    const std::string& name() const { return name_; }
    const SerialSettings& settings() const { return settings_; }
    void setSettings(const SerialSettings& s) { settings_ = s; }
    bool powered = true;
    // A burst the host wrote, as this device understood it.
    virtual void onBurst(std::string_view burst, Line& line) = 0;

private:
    std::string name_;
    SerialSettings settings_;
};

class Line {
public:
    explicit Line(VirtualClock& clock) : clock_(clock) {}

    template <class D, class... A>
    D& add(A&&... args) {
        auto d = std::make_unique<D>(std::forward<A>(args)...);
        D& ref = *d;
        devices_.push_back(std::move(d));
        return ref;
    }
    template <class D>
    D* find(std::string_view name) {
        for (auto& d : devices_)
            if (d->name() == name) return dynamic_cast<D*>(d.get());
        return nullptr;
    }

    // Host side, called by the simulated platform. hostWrite returns false,
    // and sends nothing, once the port has vanished.
    bool hostWrite(std::string_view bytes);
    bool vanished() const { return vanishIn_ == 0; }
    int hostQueued() const;
    int hostRead(std::uint8_t* buf, int max);
    void hostPurge();
    void setHostSettings(const SerialSettings& s) { host_ = s; }
    const SerialSettings& hostSettings() const { return host_; }
    // Arrival time of the next byte not yet arrived, 0 when none.
    std::uint64_t nextArrivalUs() const;
    // Arrival time of the last byte of the run that the next byte not yet
    // arrived starts (bytes at most one character time apart), capped at
    // `limitUs`; 0 when no byte is on its way before `limitUs`.
    std::uint64_t runEndUs(std::uint64_t limitUs) const;

    // Device side: schedule a reply; it starts `turnaround` seconds after the
    // end of the burst that caused it, after the faults in force for `from`.
    void reply(const Device& from, std::string bytes, double turnaround = 0.005);
    // Takes one use of a fault of this kind for the device, if any.
    bool takeFault(const std::string& device, FaultKind kind, Fault* out = nullptr);
    void inject(Fault f) { faults_.push_back(std::move(f)); }
    void clearFaults() { faults_.clear(); }

    VirtualClock& clock() { return clock_; }
    std::uint64_t nowUs() const { return clock_.us; }
    // Duration of one character at the given settings, in microseconds.
    static std::uint64_t charUs(const SerialSettings& s);

    const std::vector<WireEntry>& log() const { return log_; }
    // The host's writes, in order, as byte strings.
    std::vector<std::string> hostWrites() const;
    std::vector<WireEntry> hostWriteEntries() const;
    void clearLog() { log_.clear(); }

private:
    struct Pending {
        std::uint64_t atUs;
        std::uint8_t byte;
    };
    void schedule(std::uint64_t startUs, const std::string& bytes, const SerialSettings& s);
    void babble(const Device& from, const Fault& f, double turnaround);

    VirtualClock& clock_;
    SerialSettings host_ = Settings(9600);
    std::vector<std::unique_ptr<Device>> devices_;
    std::deque<Pending> rx_;
    std::vector<Fault> faults_;
    std::vector<WireEntry> log_;
    std::uint64_t burstEndUs_ = 0;
    std::uint64_t lineFreeUs_ = 0;  // replies queue behind each other
    int vanishIn_ = -1;             // host writes left before the port vanishes
};

}  // namespace tbcom::sim
