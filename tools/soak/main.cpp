// soak: a long mixed bench session through the shared library, loaded the
// way a host loads it, against benchsim on pseudo-terminals, to show that
// nothing builds up over many transactions: open descriptors and resident
// memory are sampled after a warm-up and at the end, and must stay flat.
//
//   soak --lib LIBRARY --benchsim BENCHSIM [--transactions N] [--warmup N]
//        [--adjust-every N] [--rss-tolerance-kb KB]
//
// A transaction is one export call that sends a request and takes its reply:
// Error_Start (one position), Error_Read, StdMeter_Read, Send485Data with
// its Recv645Data (one DL/T 645 read on the RS-485 line), and Adjust_UI (an
// output request with its correction, counted once although it holds many
// exchanges). Every transaction must succeed with the expected result.
// The mix of every 50: 42 error reads, 5 error starts, 2 RS-485 reads, 1
// standard-meter read; an output request every --adjust-every transactions
// (5000, the first one the second transaction, within the warm-up) takes
// the place of one of them. Everything runs in real time at the devices'
// line rates (the bench line at 9600 baud, the meter line at 2400): an
// error read takes about 70 ms, a standard-meter read about 0.5 s, an
// RS-485 read about 0.2 s and an output request about 6 s.
//
// Memory is sampled twice: the resident size, and the live heap (the bytes
// held in allocations). Under AddressSanitizer the resident size creeps on
// by itself (about 0.3 kB a transaction here, while the live heap stays
// flat: freed blocks pass through its quarantine to new addresses and its
// shadow grows with the address range used), so there only the live heap is
// held to a tolerance; without it both are.
//
// Prints the figures as "key value" lines. Exit 0 when every transaction
// succeeded, the descriptor count at the end equals the one after the
// warm-up and memory grew by at most the tolerances (live heap 256 kB,
// resident size 2048 kB); 1 otherwise; 2 on bad use.
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <malloc.h>
#include <string>
#include <vector>

#include "tbcom.h"

namespace {

constexpr std::uint8_t kBenchCom = 3;
constexpr std::uint8_t kMeterCom = 7;
constexpr int kPositions = 3;
constexpr long kHeapToleranceKb = 256;
const char kStdModel[] = "KP8707C-66";
// Reads forward active energy (00010000) of meter 000000000001.
const char kDlt645Read[] = "FEFEFEFE6801000000000068110433333433B316";

#define SOAK_EXPORTS(X)                                                                                 \
    X(Error_Start) X(Error_Read) X(StdMeter_Read) X(Adjust_UI) X(Set_ReviseTime) X(Power_Off)            \
    X(Open485CommPort) X(Close485CommPort) X(Send485Data) X(Recv645Data) X(Dll_Port_Close)

struct Library {
#define SOAK_FIELD(name) decltype(&::name) name = nullptr;
    SOAK_EXPORTS(SOAK_FIELD)
#undef SOAK_FIELD
    bool load(void* h) {
        bool ok = true;
#define SOAK_RESOLVE(name)                                                        \
    name = reinterpret_cast<decltype(name)>(dlsym(h, #name));                     \
    if (!name) ok = false, std::fprintf(stderr, "soak: the library has no %s\n", #name);
        SOAK_EXPORTS(SOAK_RESOLVE)
#undef SOAK_RESOLVE
        return ok;
    }
};

double now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Open descriptors of this process (the listing's own one not counted).
int openDescriptors() {
    DIR* d = opendir("/proc/self/fd");
    if (!d) return -1;
    int n = 0;
    while (dirent* e = readdir(d))
        if (e->d_name[0] != '.') ++n;
    closedir(d);
    return n - 1;
}

// Present when AddressSanitizer runs: its count of live heap bytes.
extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

long liveHeapKb() {
    if (__sanitizer_get_current_allocated_bytes)
        return static_cast<long>(__sanitizer_get_current_allocated_bytes() / 1024);
    return static_cast<long>(mallinfo2().uordblks / 1024);
}

long residentKb() {
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return -1;
    const bool ok = std::fscanf(f, "%ld %ld", &pages, &resident) == 2;
    std::fclose(f);
    return ok ? resident * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

// benchsim in a fresh folder with a bench line on COM3 (standard meter,
// source, three meters) and the RS-485 meter line on COM7.
struct Benchsim {
    pid_t pid = -1;
    std::string dir;

    bool start(const std::string& path) {
        char tmpl[] = "/tmp/tbcom-soak-XXXXXX";
        if (!mkdtemp(tmpl)) return false;
        dir = tmpl;
        std::vector<std::string> args{path, "--dir", dir, "--positions", "3", "--meter", "1:1000:0.2",
                                      "--meter", "2:1000:-0.5", "--meter", "3:1000:0", "--std-meter", "kp3",
                                      "--std-kind", "5", "--source", "kp", "--source-settle", "0",
                                      "--meter-line", "7"};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return false;
        pid = fork();
        if (pid == 0) {
            dup2(fds[1], STDOUT_FILENO);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(fds[1]);
        // Ready once it has printed both link lines.
        std::string seen;
        const double deadline = now() + 10;
        while (seen.find("METER-LINE") == std::string::npos || seen.back() != '\n') {
            pollfd p{fds[0], POLLIN, 0};
            char buf[256];
            ssize_t n = 0;
            if (now() > deadline || poll(&p, 1, 100) < 0 || (p.revents && (n = read(fds[0], buf, sizeof buf)) <= 0)) {
                close(fds[0]);
                return false;
            }
            seen.append(buf, static_cast<size_t>(n));
        }
        close(fds[0]);
        setenv("TBCOM_COMDIR", dir.c_str(), 1);
        return true;
    }

    void stop() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        pid = -1;
        if (!dir.empty()) rmdir(dir.c_str());
    }
};

struct Session {
    Library& lib;
    double adjustEvery;
    tbcom_handle meterPort = 0;
    long done = 0;
    long failed = 0;
    long counts[5] = {};
    double seconds[5] = {};

    enum Kind { kErrorRead, kErrorStart, kStdMeter, kRs485, kOutput };

    bool errorRead(int position) {
        char buf[64] = "";
        char* p = buf;
        return lib.Error_Read(&p, static_cast<std::uint8_t>(position), kBenchCom) == 1 && buf[0] != 0;
    }
    bool stdMeterRead() {
        char buf[1100] = "";
        char* p = buf;
        return lib.StdMeter_Read(&p, kStdModel, kBenchCom) == 1 && std::strchr(buf, ',') != nullptr;
    }
    bool rs485Read() {
        if (lib.Send485Data(meterPort, kDlt645Read) != 1) return false;
        char buf[2100] = "";
        char* p = buf;
        return lib.Recv645Data(meterPort, &p) == 1 && std::strncmp(buf, "6801000000000068910833", 22) == 0;
    }
    bool output() {
        const bool on = lib.Adjust_UI(1, 220, 5, 50, 0, 0, 100, 100, "H", "1.0", kStdModel, kBenchCom) == 1;
        return on;
    }

    // The kind of the n-th transaction.
    Kind kindOf(long n) const {
        // The first one comes early, within the warm-up.
        if (adjustEvery > 0 && n % static_cast<long>(adjustEvery) == 1) return kOutput;
        switch (n % 50) {
        case 0: case 10: case 20: case 30: case 40: return kErrorStart;
        case 5: case 35: return kRs485;
        case 25: return kStdMeter;
        default: return kErrorRead;
        }
    }

    void run(long n) {
        const Kind k = kindOf(n);
        const int position = static_cast<int>(n % kPositions) + 1;
        bool ok = false;
        const double t0 = now();
        switch (k) {
        case kErrorRead: ok = errorRead(position); break;
        case kErrorStart: ok = lib.Error_Start(static_cast<std::uint8_t>(position), 1000, 1, kBenchCom) == 1; break;
        case kStdMeter: ok = stdMeterRead(); break;
        case kRs485: ok = rs485Read(); break;
        case kOutput: ok = output(); break;
        }
        ++counts[k];
        seconds[k] += now() - t0;
        ++done;
        if (!ok && ++failed <= 10) std::fprintf(stderr, "soak: transaction %ld (kind %d) failed\n", n, k);
    }
};

long argNumber(const char* text) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    return (end && *end == 0 && v >= 0) ? v : -1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string libPath, simPath;
    long total = 100000, warmup = -1, adjustEvery = 5000, rssToleranceKb = 2048;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string k = argv[i];
        if (k == "--lib") libPath = argv[i + 1];
        else if (k == "--benchsim") simPath = argv[i + 1];
        else if (k == "--transactions") total = argNumber(argv[i + 1]);
        else if (k == "--warmup") warmup = argNumber(argv[i + 1]);
        else if (k == "--adjust-every") adjustEvery = argNumber(argv[i + 1]);
        else if (k == "--rss-tolerance-kb") rssToleranceKb = argNumber(argv[i + 1]);
        else total = -1;
    }
    if (warmup < 0) warmup = total / 20 < 500 ? total / 20 : 500;
    if (argc % 2 == 0 || libPath.empty() || simPath.empty() || total <= warmup || adjustEvery < 0 ||
        rssToleranceKb < 0) {
        std::fprintf(stderr,
                     "usage: soak --lib LIBRARY --benchsim BENCHSIM [--transactions N] [--warmup N] "
                     "[--adjust-every N] [--rss-tolerance-kb KB]\n");
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    Benchsim sim;
    if (!sim.start(simPath)) {
        std::fprintf(stderr, "soak: benchsim did not start\n");
        sim.stop();
        return 1;
    }
    void* h = dlopen(libPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    Library lib;
    if (!h || !lib.load(h)) {
        std::fprintf(stderr, "soak: cannot load %s: %s\n", libPath.c_str(), h ? "" : dlerror());
        sim.stop();
        return 1;
    }
    lib.Set_ReviseTime(0.2);  // the source of benchsim settles at once
    Session s{lib, static_cast<double>(adjustEvery)};
    const double t0 = now();
    int fdStart = -1;
    long rssStart = -1, heapStart = -1;
    if (lib.Open485CommPort(&s.meterPort, "2400,e,8,1", kMeterCom) != 1) {
        std::fprintf(stderr, "soak: cannot open the meter port\n");
        s.failed = 1;
    }
    for (long n = 0; n < total && s.failed == 0; ++n) {
        if (n == warmup) {
            fdStart = openDescriptors();
            rssStart = residentKb();
            heapStart = liveHeapKb();
        }
        s.run(n);
        if ((n + 1) % 10000 == 0) {
            std::printf("progress %ld transactions %.0f s fds %d rss_kb %ld heap_kb %ld\n", n + 1, now() - t0,
                        openDescriptors(), residentKb(), liveHeapKb());
            std::fflush(stdout);
        }
    }
    const int fdEnd = openDescriptors();
    const long rssEnd = residentKb();
    const long heapEnd = liveHeapKb();
    const double seconds = now() - t0;
    lib.Power_Off(kBenchCom);
    lib.Close485CommPort(&s.meterPort);
    lib.Dll_Port_Close();
    sim.stop();

    std::printf("transactions %ld\nfailed %ld\n", s.done, s.failed);
    std::printf("error_reads %ld\nerror_starts %ld\nstd_meter_reads %ld\nrs485_reads %ld\noutput_requests %ld\n",
                s.counts[Session::kErrorRead], s.counts[Session::kErrorStart], s.counts[Session::kStdMeter],
                s.counts[Session::kRs485], s.counts[Session::kOutput]);
    std::printf("seconds_by_kind %.1f %.1f %.1f %.1f %.1f\n", s.seconds[0], s.seconds[1], s.seconds[2],
                s.seconds[3], s.seconds[4]);
    std::printf("warmup %ld\nfds_start %d\nfds_end %d\nrss_kb_start %ld\nrss_kb_end %ld\nseconds %.1f\n", warmup,
                fdStart, fdEnd, rssStart, rssEnd, seconds);
    const bool sanitized = __sanitizer_get_current_allocated_bytes != nullptr;
    std::printf("heap_kb_start %ld\nheap_kb_end %ld\nrss_held_to_tolerance %s\n", heapStart, heapEnd,
                sanitized ? "no" : "yes");
    const bool flat = fdStart >= 0 && fdEnd == fdStart && rssStart > 0 && heapEnd - heapStart <= kHeapToleranceKb &&
                      (sanitized || rssEnd - rssStart <= rssToleranceKb);
    std::printf("result %s\n", s.failed == 0 && flat ? "pass" : "FAIL");
    return s.failed == 0 && flat ? 0 : 1;
}
