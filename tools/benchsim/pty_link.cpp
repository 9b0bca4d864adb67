#include "pty_link.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/posix/termios_settings.h"

namespace benchsim {

namespace fs = std::filesystem;

PtyLink::~PtyLink() { close(); }

bool PtyLink::open(const std::string& dir, int comNumber, std::string& error) {
    close();
    auto fail = [&](const std::string& what) {
        error = what + ": " + std::strerror(errno);
        close();
        return false;
    };
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        error = "cannot create " + dir + ": " + ec.message();
        return false;
    }
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0) return fail("posix_openpt");
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) return fail("grantpt/unlockpt");
    const char* name = ptsname(master_);
    if (!name) return fail("ptsname");
    const std::string slavePath = name;
    slave_ = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave_ < 0) return fail("open " + slavePath);
    // Raw from the start: nothing the devices send may be echoed back or
    // translated before the host has set the line up.
    termios t{};
    if (tcgetattr(slave_, &t) != 0) return fail("tcgetattr");
    tbcom::platform::posix::MakeRaw(t);
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    if (tcsetattr(slave_, TCSANOW, &t) != 0) return fail("tcsetattr");

    // Replace an old link atomically: a new link under a temporary name,
    // renamed over the old one.
    const std::string linkPath = (fs::path(dir) / ("COM" + std::to_string(comNumber))).string();
    const std::string tmp = linkPath + ".new" + std::to_string(getpid());
    ::unlink(tmp.c_str());
    if (::symlink(slavePath.c_str(), tmp.c_str()) != 0) return fail("symlink " + tmp);
    if (::rename(tmp.c_str(), linkPath.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return fail("rename to " + linkPath);
    }
    link_ = linkPath;
    return true;
}

void PtyLink::close() {
    if (!link_.empty()) ::unlink(link_.c_str());
    link_.clear();
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
    slave_ = master_ = -1;
}

}  // namespace benchsim
