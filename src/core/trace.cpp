#include "core/trace.h"

#include <atomic>

namespace tbcom::trace {
namespace {
std::atomic<std::FILE*> g_out{nullptr};
bool g_owned = false;
}  // namespace

bool On() noexcept { return g_out.load(std::memory_order_relaxed) != nullptr; }

void CallStart(const char* name, const std::string& args) noexcept {
    if (std::FILE* f = g_out.load()) std::fprintf(f, "%s(%s)\n", name, args.c_str());
}
void CallEnd(const char* name, const std::string& result) noexcept {
    if (std::FILE* f = g_out.load()) std::fprintf(f, "%s = %s\n", name, result.c_str());
}
bool OpenFile(const std::string& path) noexcept {
    Close();
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    g_owned = true;
    g_out = f;
    return true;
}
void OpenStream(std::FILE* stream) noexcept {
    Close();
    g_out = stream;
}
void Close() noexcept {
    std::FILE* f = g_out.exchange(nullptr);
    if (f && g_owned) std::fclose(f);
    g_owned = false;
}

}  // namespace tbcom::trace
