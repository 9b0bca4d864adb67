// Line settings to termios and back, on termios records alone.
#include <termios.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/posix/termios_settings.h"

namespace {

using namespace tbcom::platform::posix;
using tbcom::platform::Parity;
using tbcom::platform::SerialSettings;
using tbcom::platform::StopBits;

struct FramingCase {
    SerialSettings s;
    tcflag_t cflag;  // CSIZE, parity and stop bits
    tcflag_t iflag;  // INPCK, ISTRIP
};

std::vector<FramingCase> AllFramings() {
    std::vector<FramingCase> out;
    const std::pair<Parity, tcflag_t> parities[] = {
        {Parity::None, 0},
        {Parity::Odd, PARENB | PARODD},
        {Parity::Even, PARENB},
        {Parity::Mark, PARENB | CMSPAR | PARODD},
        {Parity::Space, PARENB | CMSPAR},
    };
    const std::pair<int, tcflag_t> sizes[] = {{5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}};
    const std::pair<StopBits, tcflag_t> stops[] = {{StopBits::One, 0}, {StopBits::Two, CSTOPB}};
    for (auto [p, pf] : parities)
        for (auto [bits, sf] : sizes)
            for (auto [st, stf] : stops)
                out.push_back({SerialSettings{9600, static_cast<std::uint8_t>(bits), p, st}, pf | sf | stf,
                               static_cast<tcflag_t>((p != Parity::None ? INPCK : 0) | (bits < 8 ? ISTRIP : 0))});
    return out;
}

termios Raw() {
    termios t{};
    MakeRaw(t);
    return t;
}

constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;

TEST(TermiosSettings, EveryFramingEncodesAndDecodes) {
    for (const auto& c : AllFramings()) {
        SCOPED_TRACE(testing::Message() << int(c.s.dataBits) << " bits, parity " << int(c.s.parity) << ", stop "
                                        << int(c.s.stopBits));
        termios t = Raw();
        t.c_iflag |= INPCK | ISTRIP;  // left over from before: must be reset
        ASSERT_TRUE(EncodeSettings(c.s, t));
        EXPECT_EQ(t.c_cflag & kFraming, c.cflag);
        EXPECT_EQ(t.c_iflag & (INPCK | ISTRIP), c.iflag);
        EXPECT_NE(t.c_cflag & CREAD, 0u);  // the rest of the record is kept
        auto back = DecodeSettings(t);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, c.s);
    }
}

TEST(TermiosSettings, BaudTable) {
    const std::pair<std::uint32_t, speed_t> settable[] = {
        {300, B300}, {600, B600}, {1200, B1200}, {2400, B2400}, {4800, B4800},
        {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};
    for (auto [baud, code] : settable) {
        EXPECT_EQ(SpeedCode(baud), code) << baud;
        termios t = Raw();
        ASSERT_TRUE(EncodeSettings(SerialSettings{baud, 8, Parity::None, StopBits::One}, t));
        EXPECT_EQ(cfgetospeed(&t), code);
        EXPECT_EQ(cfgetispeed(&t), code);
        EXPECT_EQ(DecodeSettings(t)->baud, baud);
    }
    for (std::uint32_t refused : {0u, 110u, 14400u, 230400u}) {
        EXPECT_EQ(SpeedCode(refused), 0u) << refused;
        termios t = Raw();
        cfsetospeed(&t, B9600);
        const termios before = t;
        EXPECT_FALSE(EncodeSettings(SerialSettings{refused, 8, Parity::None, StopBits::One}, t)) << refused;
        EXPECT_EQ(cfgetospeed(&t), cfgetospeed(&before));
    }
}

TEST(TermiosSettings, TransmitTimeCountsEveryBitOfACharacter) {
    struct Case { SerialSettings s; std::uint64_t bytes, us; } cases[] = {
        {{9600, 8, Parity::None, StopBits::One}, 1, 1042},      // 10 bits, rounded up
        {{9600, 8, Parity::Even, StopBits::One}, 12, 13750},    // 11 bits
        {{57600, 8, Parity::None, StopBits::Two}, 100, 19098},  // 11 bits
        {{115200, 5, Parity::None, StopBits::One}, 0, 0},
        {{0, 8, Parity::None, StopBits::One}, 10, 0},           // B0: hung up, no time
    };
    for (const auto& c : cases) EXPECT_EQ(TransmitUs(c.s, c.bytes), c.us) << c.s.baud << " x" << c.bytes;
}

}  // namespace
