#include "platform/platform.h"

namespace tbcom::platform {

namespace {
Platform* g_installed = nullptr;
}

Platform& current() { return g_installed ? *g_installed : native(); }

void install(Platform* p) { g_installed = p; }

}  // namespace tbcom::platform
