// The operating-system seam. Everything the library needs from the OS goes
// through one Platform object: serial ports, clocks, the wait primitive, INI
// files, the host program's directory and the error box. Each OS provides its
// own implementation in its own folder (posix/, win32/); tests install the
// simulated bench from sim/ instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tbcom::platform {

// A port handle as it crosses the exports: a 32-bit value, 0 = not open.
using PortHandle = std::uint32_t;

enum class Parity : std::uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
enum class StopBits : std::uint8_t { One = 0, OneAndHalf = 1, Two = 2 };

struct SerialSettings {
    std::uint32_t baud = 9600;
    std::uint8_t dataBits = 8;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;

    bool operator==(const SerialSettings&) const = default;
};

struct LocalTime {
    int year, month, day, hour, minute, second;
};

class Platform {
public:
    virtual ~Platform() = default;

    // Serial ports. open() opens COM<number> exclusively with 1024-byte driver
    // queues and returns 0 on failure. getSettings/setSettings return false
    // when the device refuses. queued() is the number of received bytes the
    // driver holds (line errors are cleared as a side effect), -1 on error.
    // read() never blocks: it returns at most `max` bytes already queued.
    virtual PortHandle serialOpen(int comNumber) = 0;
    virtual bool serialGetSettings(PortHandle h, SerialSettings& out) = 0;
    virtual bool serialSetSettings(PortHandle h, const SerialSettings& s) = 0;
    virtual void serialPurge(PortHandle h) = 0;
    virtual int serialQueued(PortHandle h) = 0;
    virtual int serialRead(PortHandle h, std::uint8_t* buf, int max) = 0;
    virtual int serialWrite(PortHandle h, const std::uint8_t* buf, int len) = 0;
    virtual void serialClose(PortHandle h) = 0;

    // Millisecond clocks, free-running 32-bit counters that wrap about every
    // 49.7 days: tickMs() is the coarse system tick, timeMs() the multimedia
    // timer. Both count from system start.
    virtual std::uint32_t tickMs() = 0;
    virtual std::uint32_t timeMs() = 0;

    // Dispatches the calling thread's pending window messages (no-op where
    // there are none).
    virtual void pumpMessages() = 0;
    // The one wait every loop calls: pumps messages, then yields the processor
    // until `port` (if not 0) has data or `maxMs` milliseconds have passed.
    // It may return earlier (on Windows after at most 1 ms, to pump the
    // thread's messages again), so callers loop on their own deadline. Where
    // there are no window messages (POSIX) it blocks on the port itself.
    virtual void waitForInput(PortHandle port, std::uint32_t maxMs) = 0;
    // One short wait of at most 1 ms.
    void waitBriefly(PortHandle port) { waitForInput(port, 1); }

    // INI files: the OS's private-profile calls or an equivalent.
    virtual std::string iniRead(const std::string& path, const std::string& section,
                                const std::string& key, const std::string& fallback) = 0;
    virtual bool iniWrite(const std::string& path, const std::string& section,
                          const std::string& key, const std::string& value) = 0;

    // The whole of a file (a table beside the host program) when it exists
    // and holds at most maxBytes bytes; false otherwise.
    virtual bool fileRead(const std::string& path, std::string& out, std::size_t maxBytes) = 0;

    // Directory of the host's executable, with a trailing separator.
    virtual std::string programDir() = 0;
    // Path separator-aware join is left to callers: programDir() + name.

    virtual LocalTime localTime() = 0;

    // The library's only message to a person: a modal error box. Texts are
    // GBK byte strings.
    virtual void errorBox(const std::string& text, const std::string& title) = 0;
};

// The platform in force. Defaults to the OS implementation of this build.
// Costs one pointer load: it is called on every serial operation and wait.
Platform& current();
// Replaces the platform (tests); nullptr restores the OS implementation.
void install(Platform* p);
// A decorator put in front of whatever is installed (the protocol trace):
// while set, current() returns it, and it forwards to underlying(). nullptr
// removes it.
void setTap(Platform* tap);
// The platform behind the tap: the installed one, else the OS implementation.
Platform& underlying();
// The OS implementation compiled into this build.
Platform& native();

}  // namespace tbcom::platform
