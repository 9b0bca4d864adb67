#include "core/debug_log.h"

#include <cstdio>

#include "platform/platform.h"

namespace tbcom::core {

void WriteDebugLog(const std::string& text) {
    auto& p = platform::current();
    platform::LocalTime t = p.localTime();
    char section[16], key[16];
    std::snprintf(section, sizeof section, "%04d%02d%02d", t.year, t.month, t.day);
    std::snprintf(key, sizeof key, "%02d%02d%02d", t.hour, t.minute, t.second);
    // A failed write (read-only directory) is not reported: the log is a
    // diagnostic aid and must never end a bench operation.
    p.iniWrite(p.programDir() + "debug.ini", section, key, text);
}

}  // namespace tbcom::core
