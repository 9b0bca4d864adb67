// The platform seam on POSIX systems: termios serial ports, the monotonic
// clock, poll() as the wait primitive, INI files on disk.
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/platform.h"
#include "platform/posix/ini_file.h"
#include "platform/posix/posix_serial.h"

namespace tbcom::platform {
namespace {

std::uint32_t monotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);  // wraps like the 32-bit tick counters
}

bool readFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    out = ss.str();
    return true;
}

class PosixPlatform : public Platform {
public:
    PortHandle serialOpen(int n) override { return posix::SerialOpen(n); }
    bool serialGetSettings(PortHandle h, SerialSettings& out) override { return posix::SerialGetSettings(h, out); }
    bool serialSetSettings(PortHandle h, const SerialSettings& s) override { return posix::SerialSetSettings(h, s); }
    void serialPurge(PortHandle h) override { posix::SerialPurge(h); }
    int serialQueued(PortHandle h) override { return posix::SerialQueued(h); }
    int serialRead(PortHandle h, std::uint8_t* buf, int max) override { return posix::SerialRead(h, buf, max); }
    int serialWrite(PortHandle h, const std::uint8_t* buf, int len) override {
        return posix::SerialWrite(h, buf, len);
    }
    void serialClose(PortHandle h) override { posix::SerialClose(h); }

    std::uint32_t tickMs() override { return monotonicMs(); }
    std::uint32_t timeMs() override { return monotonicMs(); }

    // No window messages on POSIX.
    void pumpMessages() override {}
    void waitForInput(PortHandle port, std::uint32_t maxMs) override { posix::WaitForInput(port, maxMs); }

    std::string iniRead(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& fallback) override {
        std::string text;
        if (!readFile(path, text)) return fallback;
        auto v = posix::IniLookup(text, section, key);
        return v ? *v : fallback;
    }

    bool iniWrite(const std::string& path, const std::string& section, const std::string& key,
                  const std::string& value) override {
        std::string text;
        readFile(path, text);  // a missing file starts empty
        const std::string next = posix::IniUpdate(text, section, key, value);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << next;
        out.flush();
        return static_cast<bool>(out);
    }

    bool fileRead(const std::string& path, std::string& out, std::size_t maxBytes) override {
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        if (!in) return false;
        const std::streamoff size = in.tellg();
        if (size < 0 || static_cast<std::uint64_t>(size) > maxBytes) return false;
        out.assign(static_cast<std::size_t>(size), '\0');
        in.seekg(0);
        return static_cast<bool>(in.read(out.data(), size));
    }

    std::string programDir() override {
        char buf[4096];
        const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
        if (n <= 0) return "./";
        std::string path(buf, static_cast<size_t>(n));
        const size_t slash = path.rfind('/');
        return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
    }

    LocalTime localTime() override {
        const time_t now = time(nullptr);
        tm t{};
        localtime_r(&now, &t);
        return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
    }

    // There is no desktop to show a box on, and the library prints nothing
    // on its own: the text goes to stderr only when a developer asks for it.
    void errorBox(const std::string& text, const std::string& title) override {
        if (!std::getenv("TBCOM_ERRORBOX_STDERR")) return;
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    }
};

}  // namespace

// Never destroyed: the unload handler closes the bench port through it after
// static objects may already be gone.
Platform& native() {
    static PosixPlatform* p = new PosixPlatform;
    return *p;
}

}  // namespace tbcom::platform
