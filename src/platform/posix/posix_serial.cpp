#include "platform/posix/posix_serial.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <map>
#include <utility>

#include "platform/posix/termios_settings.h"

namespace tbcom::platform::posix {

namespace {

// Longest a write waits for the driver to take more bytes before giving up.
constexpr int kWriteStallMs = 500;

// Devices this library has open, by descriptor. TIOCEXCL keeps other
// processes out, but not this one (nor a privileged one), so a second open
// of the same device from this process is refused here.
// Never destroyed, as ports may still be closed by the unload handler.
std::map<int, std::pair<dev_t, ino_t>>& openDevices() {
    static auto* devices = new std::map<int, std::pair<dev_t, ino_t>>;
    return *devices;
}

int fdOf(PortHandle h) { return (h == 0 || h > static_cast<PortHandle>(INT_MAX)) ? -1 : static_cast<int>(h); }

void sleepMs(long ms) {
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&ts, nullptr);
}

// Returns once the bytes are on the wire, as a write to a serial port does on
// Windows. Without this the purge that starts the next exchange would throw
// away the unsent rest of this one: several frames written back to back (a
// clear followed by a reset) would cut each other short. A pseudo-terminal
// has no wire and sends at once; the wait there is the time the bytes would
// take on one, so a simulated bench sees the pacing of a real line.
void waitUntilSent(int fd, int bytes) {
    if (bytes <= 0) return;
    if (!IsPseudoTerminal(fd)) {
        tcdrain(fd);
        return;
    }
    termios t{};
    if (tcgetattr(fd, &t) != 0) return;
    auto s = DecodeSettings(t, true);
    if (!s) return;
    const std::uint64_t us = TransmitUs(*s, static_cast<std::uint64_t>(bytes));
    timespec ts{static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

}  // namespace

std::string SerialPath(int comNumber) {
    if (comNumber < 1) return {};
    const char* dir = std::getenv("TBCOM_COMDIR");
    if (dir && *dir) {
        std::string d(dir);
        if (d.back() != '/') d += '/';
        return d + "COM" + std::to_string(comNumber);
    }
    return "/dev/ttyS" + std::to_string(comNumber - 1);
}

PortHandle SerialOpen(int comNumber) {
    const std::string path = SerialPath(comNumber);
    if (path.empty()) return 0;
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return 0;
    if (fd == 0) {
        // Handle 0 means "not open": move off descriptor 0.
        const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        ::close(fd);
        if (moved < 0) return 0;
        fd = moved;
    }
    struct stat st {};
    termios t{};
    if (fstat(fd, &st) != 0 || tcgetattr(fd, &t) != 0) {
        ::close(fd);
        return 0;
    }
    const std::pair<dev_t, ino_t> id{st.st_rdev, st.st_ino};
    for (auto& [other, otherId] : openDevices())
        if (otherId == id) {
            ::close(fd);
            return 0;
        }
    MakeRaw(t);
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        ::close(fd);
        return 0;
    }
    // Best effort: not every driver supports exclusive mode.
    ioctl(fd, TIOCEXCL);
    openDevices()[fd] = id;
    return static_cast<PortHandle>(fd);
}

bool SerialGetSettings(PortHandle h, SerialSettings& out) {
    termios t{};
    if (tcgetattr(fdOf(h), &t) != 0) return false;
    auto s = DecodeSettings(t, IsPseudoTerminal(fdOf(h)));
    if (!s) return false;
    out = *s;
    return true;
}

bool SerialSetSettings(PortHandle h, const SerialSettings& s) {
    const int fd = fdOf(h);
    termios t{};
    if (tcgetattr(fd, &t) != 0 || !EncodeSettings(s, t)) return false;
    if (tcsetattr(fd, TCSANOW, &t) != 0) return false;
    // tcsetattr succeeds when any part was applied: check the whole.
    termios back{};
    if (tcgetattr(fd, &back) != 0) return false;
    const bool pty = IsPseudoTerminal(fd);
    auto got = DecodeSettings(back, pty);
    return got && *got == AsReported(s, pty);
}

void SerialPurge(PortHandle h) { tcflush(fdOf(h), TCIOFLUSH); }

int SerialQueued(PortHandle h) {
    int n = 0;
    if (ioctl(fdOf(h), FIONREAD, &n) != 0) return -1;
    return n;
}

int SerialRead(PortHandle h, std::uint8_t* buf, int max) {
    if (max <= 0 || !buf) return 0;
    const ssize_t n = ::read(fdOf(h), buf, static_cast<size_t>(max));
    if (n >= 0) return static_cast<int>(n);
    return (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? 0 : -1;
}

int SerialWrite(PortHandle h, const std::uint8_t* buf, int len) {
    const int fd = fdOf(h);
    if (fd < 0) return -1;
    if (len <= 0 || !buf) return 0;
    int done = 0;
    while (done < len) {
        const ssize_t n = ::write(fd, buf + done, static_cast<size_t>(len - done));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return done > 0 ? done : -1;
        // The driver's queue is full: wait for room, but not for long.
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, kWriteStallMs) <= 0 || !(p.revents & POLLOUT)) break;
    }
    waitUntilSent(fd, done);
    return done;
}

void SerialClose(PortHandle h) {
    const int fd = fdOf(h);
    if (fd <= 0) return;
    openDevices().erase(fd);
    // The exclusive flag belongs to the terminal, not the descriptor: it
    // would outlive this close while anyone else keeps the device open.
    ioctl(fd, TIOCNXCL);
    ::close(fd);
}

void WaitForInput(PortHandle h, std::uint32_t maxMs) {
    // poll() takes an int; a caller's deadline never comes near that.
    const long wait = maxMs > 0x7FFFFFFFu ? 0x7FFFFFFFL : static_cast<long>(maxMs);
    const int fd = fdOf(h);
    if (fd <= 0) {
        sleepMs(wait);
        return;
    }
    pollfd p{fd, POLLIN, 0};
    const int r = poll(&p, 1, static_cast<int>(wait));
    if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        // A device that went away (an unplugged adapter, a terminal whose
        // other side closed) reports hang-up, and readable too, at once and
        // for ever. Bytes still queued before the hang-up are worth
        // returning for; otherwise yield 1 ms so that a loop calling this
        // does not spin (the receive loops see the port fail and end).
        int queued = 0;
        if (ioctl(fd, FIONREAD, &queued) == 0 && queued > 0) return;
        sleepMs(wait < 1 ? wait : 1);
        return;
    }
    // An invalid descriptor or a failed poll: still yield 1 ms so wait
    // loops do not spin.
    if ((r > 0 && !(p.revents & POLLIN)) || r < 0) sleepMs(wait < 1 ? wait : 1);
}

}  // namespace tbcom::platform::posix
