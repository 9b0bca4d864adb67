// The POSIX serial ports against a pseudo-terminal: the library opens the
// slave through $TBCOM_COMDIR/COM7, the test plays the device on the master.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/posix/posix_serial.h"
#include "platform/posix/termios_settings.h"

namespace {

namespace fs = std::filesystem;
using tbcom::platform::Parity;
using tbcom::platform::PortHandle;
using tbcom::platform::SerialSettings;
using tbcom::platform::StopBits;

tbcom::platform::Platform& os() { return tbcom::platform::native(); }

// Sets TBCOM_COMDIR for one scope (nullptr: unset); unset again afterwards.
struct ComDir {
    explicit ComDir(const char* value) { value ? setenv("TBCOM_COMDIR", value, 1) : unsetenv("TBCOM_COMDIR"); }
    ~ComDir() { unsetenv("TBCOM_COMDIR"); }
};

class PtyPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tbcom-serial-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(grantpt(master_), 0);
        ASSERT_EQ(unlockpt(master_), 0);
        slavePath_ = ptsname(master_);
        // The test's own slave descriptor keeps the terminal alive between
        // the library's opens, as a serial driver would.
        peer_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(peer_, 0);
        fs::create_symlink(slavePath_, dir_ / "COM7");
        env_ = std::make_unique<ComDir>(dir_.c_str());
    }
    void TearDown() override {
        if (h_) os().serialClose(h_);
        env_.reset();
        if (peer_ >= 0) close(peer_);
        if (master_ >= 0) close(master_);
        fs::remove_all(dir_);
    }

    PortHandle openPort() {
        h_ = os().serialOpen(7);
        return h_;
    }
    // Bytes the library wrote, as the device sees them.
    std::string drainMaster() {
        std::string got;
        for (int i = 0; i < 100; ++i) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, i == 0 ? 200 : 20) <= 0) break;
            char buf[256];
            ssize_t n = read(master_, buf, sizeof buf);
            if (n <= 0) break;
            got.append(buf, static_cast<size_t>(n));
        }
        return got;
    }
    // Sends bytes from the device and waits until the driver holds them.
    void deviceSends(const std::string& bytes) {
        ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        for (int i = 0; i < 1000 && os().serialQueued(h_) < static_cast<int>(bytes.size()); ++i) usleep(1000);
        ASSERT_EQ(os().serialQueued(h_), static_cast<int>(bytes.size()));
    }
    termios slaveTermios() {
        termios t{};
        tcgetattr(peer_, &t);
        return t;
    }

    fs::path dir_;
    std::string slavePath_;
    int master_ = -1, peer_ = -1;
    PortHandle h_ = 0;
    std::unique_ptr<ComDir> env_;
};

TEST(SerialPath, FromComNumber) {
    // dir nullptr: TBCOM_COMDIR unset
    const struct { const char* dir; int com; const char* path; } cases[] = {{nullptr, 12, "/dev/ttyS11"}, {nullptr, 0, ""}, {"/run/bench/", 12, "/run/bench/COM12"},
                 {"", 2, "/dev/ttyS1"}};
    for (const auto& c : cases) {
        ComDir e(c.dir);
        EXPECT_EQ(tbcom::platform::posix::SerialPath(c.com), c.path) << c.com;
    }
}

TEST_F(PtyPortTest, OpensInRawMode) {
    // Start from a cooked terminal so the open has something to undo.
    termios cooked = slaveTermios();
    cooked.c_lflag |= ECHO | ICANON | ISIG;
    cooked.c_iflag |= ICRNL;
    cooked.c_oflag |= OPOST | ONLCR;
    ASSERT_EQ(tcsetattr(peer_, TCSANOW, &cooked), 0);

    const PortHandle h = openPort();
    ASSERT_NE(h, 0u);
    EXPECT_GE(h, 3u);  // the handle is the descriptor
    const termios t = slaveTermios();
    EXPECT_EQ(t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | IXON | ISTRIP), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(t.c_cc[VMIN] + t.c_cc[VTIME], 0);
    EXPECT_NE(fcntl(static_cast<int>(h), F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(fcntl(static_cast<int>(h), F_GETFD) & FD_CLOEXEC, 0);
}

TEST_F(PtyPortTest, MissingOrNonTerminalPathFails) {
    { std::ofstream(dir_ / "COM9") << "not a terminal"; }
    const auto fdsBefore = std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{});
    EXPECT_EQ(os().serialOpen(9), 0u);
    const auto fdsAfter = std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{});
    EXPECT_EQ(fdsAfter, fdsBefore);  // the failed open left nothing open
}

TEST_F(PtyPortTest, OpenIsExclusiveUntilClosed) {
    const PortHandle h = openPort();
    ASSERT_NE(h, 0u);
    EXPECT_EQ(os().serialOpen(7), 0u);
    int excl = 0;
    ASSERT_EQ(ioctl(peer_, TIOCGEXCL, &excl), 0);
    EXPECT_EQ(excl, 1);  // other processes are kept out too

    os().serialClose(h);
    h_ = 0;
    ASSERT_EQ(ioctl(peer_, TIOCGEXCL, &excl), 0);
    EXPECT_EQ(excl, 0);  // released with the close, though the terminal stays open
    EXPECT_EQ(fcntl(static_cast<int>(h), F_GETFD), -1);
    EXPECT_NE(openPort(), 0u);
}

TEST_F(PtyPortTest, RefusedSettingsChangeNothing) {
    ASSERT_NE(openPort(), 0u);
    const SerialSettings start{9600, 8, Parity::None, StopBits::One};
    ASSERT_TRUE(os().serialSetSettings(h_, start));
    const SerialSettings refused[] = {{14400, 8, Parity::None, StopBits::One},
                                      {9600, 4, Parity::None, StopBits::One},
                                      {9600, 8, static_cast<Parity>(7), StopBits::One}};
    for (const auto& s : refused) {
        EXPECT_FALSE(os().serialSetSettings(h_, s)) << s.baud << " " << int(s.dataBits);
        SerialSettings got;
        ASSERT_TRUE(os().serialGetSettings(h_, got));
        EXPECT_EQ(got, start);
    }
}

TEST_F(PtyPortTest, WritesBytesUntranslatedAndLargeBlocksWhole) {
    ASSERT_NE(openPort(), 0u);
    const std::string frame("\xFE\xFE\x01\x44\x06\x0A\x0D\x00\x11\x13\x7F\xFF\x17", 13);
    EXPECT_EQ(os().serialWrite(h_, reinterpret_cast<const std::uint8_t*>(frame.data()), 13), 13);
    EXPECT_EQ(drainMaster(), frame);
    // Fast, as the write lasts as long as the block would take on a wire.
    ASSERT_TRUE(os().serialSetSettings(h_, SerialSettings{115200, 8, Parity::None, StopBits::One}));
    const std::string block(3000, '\x5A');
    EXPECT_EQ(os().serialWrite(h_, reinterpret_cast<const std::uint8_t*>(block.data()), 3000), 3000);
    EXPECT_EQ(drainMaster(), block);
}

TEST_F(PtyPortTest, ReadsQueuedBytesUntranslatedAndPurges) {
    ASSERT_NE(openPort(), 0u);
    std::uint8_t buf[64];
    EXPECT_EQ(os().serialRead(h_, buf, sizeof buf), 0);  // nothing there: 0, not an error
    const std::string reply("\x01\x44\x31\x0D\x0A\x03\x00\x7F\x17", 9);
    deviceSends(reply);
    EXPECT_EQ(os().serialRead(h_, buf, 4), 4);  // never more than asked
    EXPECT_EQ(os().serialQueued(h_), 5);
    EXPECT_EQ(os().serialRead(h_, buf + 4, sizeof buf - 4), 5);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 9), reply);
    deviceSends("stale reply");
    os().serialPurge(h_);
    EXPECT_EQ(os().serialQueued(h_), 0);
    EXPECT_EQ(os().serialRead(h_, buf, sizeof buf), 0);
}

TEST(PosixSerial, BadHandlesFailCleanly) {
    for (PortHandle h : {0u, 987654u, 0x80000001u}) {
        SerialSettings s;
        std::uint8_t buf[4] = {1, 2, 3, 4};
        EXPECT_FALSE(os().serialGetSettings(h, s)) << h;
        EXPECT_FALSE(os().serialSetSettings(h, SerialSettings{})) << h;
        EXPECT_EQ(os().serialQueued(h), -1) << h;
        EXPECT_EQ(os().serialRead(h, buf, 4), -1) << h;
        EXPECT_EQ(os().serialWrite(h, buf, 4), -1) << h;
        os().serialPurge(h);
        os().serialClose(h);
        os().waitBriefly(h);
    }
}

}  // namespace
