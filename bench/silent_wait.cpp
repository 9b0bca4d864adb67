// How much processor time the library burns while it waits for a device that
// never answers. Error_Read on a silent position waits 2 s on a real serial
// line (a pseudo-terminal nobody answers on); the wait must yield the CPU,
// so its process time should stay a small fraction of the wall time.
//
// Prints one line per run and a summary; exits 1 when the share exceeds the
// target given as argv[1] (percent, default 0.5).
#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/lifecycle.h"
#include "tbcom.h"

namespace {

double CpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    auto tv = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return tv(ru.ru_utime) + tv(ru.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
    const double targetPct = argc > 1 ? std::atof(argv[1]) : 0.5;
    int master = -1, slave = -1;
    char name[256];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 2;
    }
    const auto dir = std::filesystem::temp_directory_path() / ("tbcom-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::create_symlink(name, dir / "COM4");
    setenv("TBCOM_COMDIR", dir.c_str(), 1);
    tbcom::core::processAttach();

    const int runs = 3;
    double worst = 0;
    for (int r = 0; r < runs; ++r) {
        char buf[64] = {};
        char* p = buf;
        const double cpu0 = CpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        const tbcom_bool ok = Error_Read(&p, 1, 4);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const double cpu = CpuSeconds() - cpu0;
        const double pct = 100.0 * cpu / wall;
        worst = pct > worst ? pct : worst;
        std::printf("silent Error_Read: result %d, wall %.3f s, cpu %.4f s, cpu/wall %.2f %%\n", ok, wall, cpu, pct);
    }
    tbcom::core::processDetach();
    close(slave);
    close(master);
    std::filesystem::remove_all(dir);
    std::printf("worst cpu/wall %.2f %% (target < %.1f %%)\n", worst, targetPct);
    return worst < targetPct ? 0 : 1;
}
