// Placeholder until the termios implementation lands: every port fails to open.
#include "platform/platform.h"

namespace tbcom::platform {
namespace {
class Unavailable : public Platform {
public:
    PortHandle serialOpen(int) override { return 0; }
    bool serialGetSettings(PortHandle, SerialSettings&) override { return false; }
    bool serialSetSettings(PortHandle, const SerialSettings&) override { return false; }
    void serialPurge(PortHandle) override {}
    int serialQueued(PortHandle) override { return -1; }
    int serialRead(PortHandle, std::uint8_t*, int) override { return -1; }
    int serialWrite(PortHandle, const std::uint8_t*, int) override { return -1; }
    void serialClose(PortHandle) override {}
    std::uint32_t tickMs() override { return 0; }
    std::uint32_t timeMs() override { return 0; }
    void pumpMessages() override {}
    void waitBriefly(PortHandle) override {}
    std::string iniRead(const std::string&, const std::string&, const std::string&, const std::string& f) override { return f; }
    bool iniWrite(const std::string&, const std::string&, const std::string&, const std::string&) override { return false; }
    std::string programDir() override { return "./"; }
    LocalTime localTime() override { return {2000, 1, 1, 0, 0, 0}; }
    void errorBox(const std::string&, const std::string&) override {}
};
}  // namespace
Platform& native() {
    static Unavailable p;
    return p;
}
}  // namespace tbcom::platform
