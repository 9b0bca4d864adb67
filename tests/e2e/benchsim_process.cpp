#include "benchsim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tbcom::e2e {

namespace {

long long nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace

bool BenchsimProcess::start(const std::string& program, const std::string& dir,
                            const std::vector<std::string>& args, std::string& error) {
    stop();
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> argv{program, "--dir", dir};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (auto& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);

    pid_ = fork();
    if (pid_ < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        close(pipeFds[0]);
        close(pipeFds[1]);
        return false;
    }
    if (pid_ == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        execv(program.c_str(), cargv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    out_ = pipeFds[0];

    std::string seen;
    const long long deadline = nowMs() + 5000;
    while (seen.find('\n') == std::string::npos) {
        const long long left = deadline - nowMs();
        pollfd p{out_, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) {
            error = "no READY line from benchsim (got \"" + seen + "\")";
            stop();
            return false;
        }
        char buf[256];
        const ssize_t n = read(out_, buf, sizeof buf);
        if (n <= 0) {
            error = "benchsim exited before READY (got \"" + seen + "\")";
            stop();
            return false;
        }
        seen.append(buf, static_cast<size_t>(n));
    }
    ready_ = seen.substr(0, seen.find('\n'));
    return true;
}

int BenchsimProcess::stop() {
    int result = -1;
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        if (waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) result = WEXITSTATUS(status);
    }
    pid_ = -1;
    if (out_ >= 0) close(out_);
    out_ = -1;
    return result;
}

}  // namespace tbcom::e2e
