// The debug log "debug.ini" beside the host's executable: one INI entry per
// call, section = date "yyyymmdd", key = time "hhnnss".
#pragma once

#include <string>

namespace tbcom::core {

void WriteDebugLog(const std::string& text);

}  // namespace tbcom::core
