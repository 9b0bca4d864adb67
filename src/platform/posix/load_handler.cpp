// Load and unload handlers of the shared library on POSIX systems: the
// counterpart of process attach and detach.
#include "core/lifecycle.h"

namespace {

__attribute__((constructor)) void tbcomLoad() { tbcom::core::processAttach(); }
__attribute__((destructor)) void tbcomUnload() { tbcom::core::processDetach(); }

}  // namespace
