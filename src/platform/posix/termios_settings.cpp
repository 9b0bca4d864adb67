#include "platform/posix/termios_settings.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <array>
#include <utility>

namespace tbcom::platform::posix {

namespace {

// The bauds a port may be set to: the standard rates of the bench's devices.
constexpr std::array<std::pair<std::uint32_t, speed_t>, 10> kSettable{{
    {300, B300}, {600, B600}, {1200, B1200}, {2400, B2400}, {4800, B4800},
    {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200},
}};

// Every speed code termios may report, for reading the settings back.
constexpr std::array<std::pair<std::uint32_t, speed_t>, 19> kReadable{{
    {0, B0}, {50, B50}, {75, B75}, {110, B110}, {134, B134}, {150, B150}, {200, B200},
    {300, B300}, {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400}, {4800, B4800},
    {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200},
    {230400, B230400},
}};

}  // namespace

void MakeRaw(termios& t) {
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
}

speed_t SpeedCode(std::uint32_t baud) {
    for (auto& [b, code] : kSettable)
        if (b == baud) return code;
    return 0;
}

bool EncodeSettings(const SerialSettings& s, termios& t) {
    const speed_t code = SpeedCode(s.baud);
    if (code == 0) return false;
    tcflag_t size;
    switch (s.dataBits) {
        case 5: size = CS5; break;
        case 6: size = CS6; break;
        case 7: size = CS7; break;
        case 8: size = CS8; break;
        default: return false;
    }
    tcflag_t parity;
    switch (s.parity) {
        case Parity::None: parity = 0; break;
        case Parity::Odd: parity = PARENB | PARODD; break;
        case Parity::Even: parity = PARENB; break;
        // Stick parity: CMSPAR fixes the parity bit, PARODD chooses 1 (mark)
        // over 0 (space).
        case Parity::Mark: parity = PARENB | CMSPAR | PARODD; break;
        case Parity::Space: parity = PARENB | CMSPAR; break;
        default: return false;
    }
    tcflag_t stop;
    switch (s.stopBits) {
        case StopBits::One: stop = 0; break;
        // termios has no one and a half stop bits; two is the nearest it
        // offers and what a UART sends for 1.5 at 5 data bits anyway.
        case StopBits::OneAndHalf:
        case StopBits::Two: stop = CSTOPB; break;
        default: return false;
    }
    termios n = t;
    n.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    n.c_cflag |= size | parity | stop;
    n.c_iflag &= ~(INPCK | ISTRIP);
    if (parity) n.c_iflag |= INPCK;
    if (s.dataBits < 8) n.c_iflag |= ISTRIP;
    if (cfsetispeed(&n, code) != 0 || cfsetospeed(&n, code) != 0) return false;
    t = n;
    return true;
}

std::optional<SerialSettings> DecodeSettings(const termios& t, bool pseudoTerminal) {
    SerialSettings s;
    const speed_t code = cfgetospeed(&t);
    bool known = false;
    for (auto& [b, c] : kReadable)
        if (c == code) {
            s.baud = b;
            known = true;
        }
    if (!known) return std::nullopt;
    switch (t.c_cflag & CSIZE) {
        case CS5: s.dataBits = 5; break;
        case CS6: s.dataBits = 6; break;
        case CS7: s.dataBits = 7; break;
        default: s.dataBits = 8; break;
    }
    if (pseudoTerminal) s.dataBits = (t.c_iflag & ISTRIP) ? 7 : 8;
    const bool odd = (t.c_cflag & PARODD) != 0;
    const bool parity = (t.c_cflag & PARENB) || (pseudoTerminal && (t.c_iflag & INPCK));
    if (!parity) s.parity = Parity::None;
    else if (t.c_cflag & CMSPAR) s.parity = odd ? Parity::Mark : Parity::Space;
    else s.parity = odd ? Parity::Odd : Parity::Even;
    s.stopBits = (t.c_cflag & CSTOPB) ? StopBits::Two : StopBits::One;
    return s;
}

SerialSettings AsReported(SerialSettings s, bool pseudoTerminal) {
    if (s.stopBits == StopBits::OneAndHalf) s.stopBits = StopBits::Two;
    if (pseudoTerminal && s.dataBits < 8) s.dataBits = 7;
    return s;
}

std::uint64_t TransmitUs(const SerialSettings& s, std::uint64_t bytes) {
    if (s.baud == 0) return 0;
    const std::uint64_t bits = 1 + s.dataBits + (s.parity == Parity::None ? 0 : 1) +
                               (s.stopBits == StopBits::One ? 1 : 2);
    return (bits * bytes * 1000000 + s.baud - 1) / s.baud;
}

bool IsPseudoTerminal(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    // Unix98 pseudo-terminal slaves use majors 136 to 143.
    const unsigned m = major(st.st_rdev);
    return m >= 136 && m <= 143;
}

}  // namespace tbcom::platform::posix
