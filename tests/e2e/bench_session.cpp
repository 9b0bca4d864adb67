#include "bench_session.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace tbcom::e2e {

namespace fs = std::filesystem;

TbcomLibrary* TbcomLibrary::load(const std::string& path, std::string& error) {
    static TbcomLibrary lib;
    static void* handle = nullptr;
    if (handle) return &lib;
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        error = dlerror();
        return nullptr;
    }
#define TBCOM_E2E_RESOLVE(name)                                   \
    lib.name = reinterpret_cast<decltype(lib.name)>(dlsym(h, #name)); \
    if (!lib.name) error += " missing export " #name;
    TBCOM_E2E_EXPORTS(TBCOM_E2E_RESOLVE)
#undef TBCOM_E2E_RESOLVE
    if (!error.empty()) {
        dlclose(h);
        return nullptr;
    }
    handle = h;
    return &lib;
}

double NowSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void SleepSeconds(double s) {
    if (s <= 0) return;
    const auto whole = static_cast<time_t>(s);
    timespec ts{whole, static_cast<long>((s - static_cast<double>(whole)) * 1e9)};
    nanosleep(&ts, nullptr);
}

void BenchSession::SetUp() {
    std::string error;
    lib_ = TbcomLibrary::load(TBCOM_LIB_PATH, error);
    ASSERT_NE(lib_, nullptr) << error;
    char tmpl[] = "/tmp/tbcom-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    setenv("TBCOM_COMDIR", dir_.c_str(), 1);
}

void BenchSession::TearDown() {
    if (pid_ > 0) EXPECT_EQ(stopBench(), 0);  // a clean exit on SIGTERM
    if (lib_) lib_->Dll_Port_Close();
    unsetenv("TBCOM_COMDIR");
    fs::remove_all(dir_);
}

void BenchSession::startBench(const std::vector<std::string>& args) {
    std::vector<std::string> argv{BENCHSIM_PATH, "--dir", dir_.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (auto& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    pid_ = fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
        dup2(fds[1], STDOUT_FILENO);
        execv(argv[0].c_str(), cargv.data());
        _exit(127);
    }
    close(fds[1]);
    out_ = fds[0];
    std::string seen;
    const double deadline = NowSeconds() + 5;
    while (seen.find('\n') == std::string::npos) {
        pollfd p{out_, POLLIN, 0};
        const double left = deadline - NowSeconds();
        ASSERT_TRUE(left > 0 && poll(&p, 1, static_cast<int>(left * 1000)) > 0) << "no READY line: " << seen;
        char buf[256];
        const ssize_t n = read(out_, buf, sizeof buf);
        ASSERT_GT(n, 0) << "benchsim exited before READY: " << seen;
        seen.append(buf, static_cast<size_t>(n));
    }
    EXPECT_EQ(seen.substr(0, seen.find('\n')), "READY " + (dir_ / "COM3").string());
    ASSERT_TRUE(fs::is_symlink(dir_ / "COM3"));
}

int BenchSession::stopBench() {
    if (lib_) lib_->Dll_Port_Close();
    int status = 0, result = -1;
    kill(pid_, SIGTERM);
    if (waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) result = WEXITSTATUS(status);
    pid_ = -1;
    close(out_);
    out_ = -1;
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir_ / "COM3")));  // link removed
    return result;
}

}  // namespace tbcom::e2e
