// Loading and unloading: the process attach and detach handlers.
#pragma once

namespace tbcom::core {

// Sets every module-wide value of every subsystem to its default and marks
// the bench port closed. Runs once at load; tests run it before each case.
void processAttach();
// Closes the bench port if it is open. The VN-74 port and RS-485 ports are
// left to the operating system.
void processDetach();

}  // namespace tbcom::core
