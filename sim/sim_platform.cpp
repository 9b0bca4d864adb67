#include "sim_platform.h"

namespace tbcom::sim {

// A vanished port fails like a closed one (the handle stays until closed).
Line* SimPlatform::lineOf(platform::PortHandle h) {
    auto it = handles_.find(h);
    return it == handles_.end() || it->second.line->vanished() ? nullptr : it->second.line;
}

int SimPlatform::comOf(platform::PortHandle h) const {
    auto it = handles_.find(h);
    return it == handles_.end() ? 0 : it->second.com;
}

platform::PortHandle SimPlatform::serialOpen(int comNumber) {
    auto it = lines_.find(comNumber);
    if (it == lines_.end() || it->second->vanished()) return 0;
    for (auto& [h, o] : handles_)
        if (o.com == comNumber) return 0;  // not shared
    ++openCount;
    platform::PortHandle h = next_;
    next_ += 4;
    handles_[h] = {comNumber, it->second};
    return h;
}

bool SimPlatform::serialGetSettings(platform::PortHandle h, platform::SerialSettings& out) {
    Line* l = lineOf(h);
    if (!l) return false;
    out = l->hostSettings();
    return true;
}

bool SimPlatform::serialSetSettings(platform::PortHandle h, const platform::SerialSettings& s) {
    Line* l = lineOf(h);
    if (!l) return false;
    if (refuseSettings > 0) {
        --refuseSettings;
        return false;
    }
    if (s.baud < 50 || s.baud > 4000000 || s.dataBits < 5 || s.dataBits > 8) return false;
    l->setHostSettings(s);
    return true;
}

void SimPlatform::serialPurge(platform::PortHandle h) {
    if (Line* l = lineOf(h)) l->hostPurge();
}

int SimPlatform::serialQueued(platform::PortHandle h) {
    Line* l = lineOf(h);
    return l ? l->hostQueued() : -1;
}

int SimPlatform::serialRead(platform::PortHandle h, std::uint8_t* buf, int max) {
    Line* l = lineOf(h);
    return l ? l->hostRead(buf, max) : -1;
}

int SimPlatform::serialWrite(platform::PortHandle h, const std::uint8_t* buf, int len) {
    Line* l = lineOf(h);
    if (!l) return -1;
    return l->hostWrite(std::string_view(reinterpret_cast<const char*>(buf), static_cast<size_t>(len))) ? len : -1;
}

void SimPlatform::serialClose(platform::PortHandle h) { handles_.erase(h); }

void SimPlatform::waitForInput(platform::PortHandle port, std::uint32_t maxMs) {
    ++pumps;
    std::uint64_t target = clock_.us + std::uint64_t{maxMs} * 1000;
    if (Line* l = lineOf(port)) {
        std::uint64_t next = l->nextArrivalUs();
        if (next != 0 && next < target) target = next;
    }
    clock_.us = target;
}

std::string SimPlatform::iniRead(const std::string& path, const std::string& section, const std::string& key,
                                 const std::string& fallback) {
    auto f = ini.find(path);
    if (f == ini.end()) return fallback;
    auto s = f->second.find(section);
    if (s == f->second.end()) return fallback;
    auto k = s->second.find(key);
    return k == s->second.end() ? fallback : k->second;
}

bool SimPlatform::iniWrite(const std::string& path, const std::string& section, const std::string& key,
                           const std::string& value) {
    ini[path][section][key] = value;
    return true;
}

}  // namespace tbcom::sim
