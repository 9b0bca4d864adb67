#include "platform/platform.h"

#include <atomic>

namespace tbcom::platform {

namespace {
Platform* g_installed = nullptr;
Platform* g_tap = nullptr;
// What current() hands out: the tap, else the installed platform; null means
// the OS implementation. Kept in one pointer so that current() stays a single
// load whether or not a tap is set.
std::atomic<Platform*> g_current{nullptr};

void refresh() { g_current.store(g_tap ? g_tap : g_installed, std::memory_order_relaxed); }
}  // namespace

Platform& current() {
    Platform* p = g_current.load(std::memory_order_relaxed);
    return p ? *p : native();
}

Platform& underlying() { return g_installed ? *g_installed : native(); }

void install(Platform* p) {
    g_installed = p;
    refresh();
}

void setTap(Platform* tap) {
    g_tap = tap;
    refresh();
}

}  // namespace tbcom::platform
