// Load and unload handlers of the shared library on POSIX systems: the
// counterpart of process attach and detach. TBCOM_TRACE=path in the
// environment starts the protocol trace into that file at loading.
#include <cstdlib>

#include "core/lifecycle.h"
#include "core/trace.h"

namespace {

__attribute__((constructor)) void tbcomLoad() {
    tbcom::core::processAttach();
    const char* path = std::getenv("TBCOM_TRACE");
    if (path && *path) tbcom::trace::OpenFile(path);  // a file that cannot be opened: no trace
}

__attribute__((destructor)) void tbcomUnload() {
    tbcom::core::processDetach();  // traced: the bench port's closing is the last line
    tbcom::trace::Close();
}

}  // namespace
