// The platform seam over the simulated bench: COM numbers map to simulated
// lines, the clocks read the virtual clock, and every wait advances it (by the
// time asked for, or to the next byte's arrival on the port waited for). INI files
// live in memory; error boxes and message pumps are counted.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "line.h"
#include "platform/platform.h"

namespace tbcom::sim {

class SimPlatform : public platform::Platform {
public:
    explicit SimPlatform(VirtualClock& clock) : clock_(clock) {}

    void attach(int comNumber, Line& line) { lines_[comNumber] = &line; }
    void detach(int comNumber) { lines_.erase(comNumber); }
    // Makes the next setSettings on any port fail (a driver refusing a baud).
    int refuseSettings = 0;

    struct Box {
        std::string text, title;
    };
    std::vector<Box> boxes;
    int pumps = 0;
    int openCount = 0;
    std::map<std::string, std::map<std::string, std::map<std::string, std::string>>> ini;
    std::string dir = "/sim/host/";
    std::map<std::string, std::string> files;  // path -> contents
    platform::LocalTime time{2026, 12, 6, 9, 30, 15};

    bool isOpen(platform::PortHandle h) const { return handles_.count(h) != 0; }
    int comOf(platform::PortHandle h) const;
    size_t openPorts() const { return handles_.size(); }

    platform::PortHandle serialOpen(int comNumber) override;
    bool serialGetSettings(platform::PortHandle h, platform::SerialSettings& out) override;
    bool serialSetSettings(platform::PortHandle h, const platform::SerialSettings& s) override;
    void serialPurge(platform::PortHandle h) override;
    int serialQueued(platform::PortHandle h) override;
    int serialRead(platform::PortHandle h, std::uint8_t* buf, int max) override;
    int serialWrite(platform::PortHandle h, const std::uint8_t* buf, int len) override;
    void serialClose(platform::PortHandle h) override;
    std::uint32_t tickMs() override { return clock_.ms(); }
    std::uint32_t timeMs() override { return clock_.ms(); }
    void pumpMessages() override { ++pumps; }
    void waitForInput(platform::PortHandle port, std::uint32_t maxMs) override;
    std::string iniRead(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& fallback) override;
    bool iniWrite(const std::string& path, const std::string& section, const std::string& key,
                  const std::string& value) override;
    bool fileRead(const std::string& path, std::string& out, std::size_t maxBytes) override {
        auto f = files.find(path);
        if (f == files.end() || f->second.size() > maxBytes) return false;
        out = f->second;
        return true;
    }
    std::string programDir() override { return dir; }
    platform::LocalTime localTime() override { return time; }
    void errorBox(const std::string& text, const std::string& title) override { boxes.push_back({text, title}); }

private:
    struct Open {
        int com;
        Line* line;
    };
    Line* lineOf(platform::PortHandle h);

    VirtualClock& clock_;
    std::map<int, Line*> lines_;
    std::map<platform::PortHandle, Open> handles_;
    platform::PortHandle next_ = 0x120;
};

}  // namespace tbcom::sim
