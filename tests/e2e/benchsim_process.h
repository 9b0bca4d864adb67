// A benchsim child process for the end-to-end tests: started with its
// arguments, ready once it has printed its READY line, stopped with SIGTERM.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace tbcom::e2e {

class BenchsimProcess {
public:
    BenchsimProcess() = default;
    ~BenchsimProcess() { stop(); }
    BenchsimProcess(const BenchsimProcess&) = delete;
    BenchsimProcess& operator=(const BenchsimProcess&) = delete;

    // Runs `program --dir dir args...` and waits up to 5 s for
    // "READY <dir>/COM<n>". False (with `error`) when it does not come.
    bool start(const std::string& program, const std::string& dir, const std::vector<std::string>& args,
               std::string& error);
    // SIGTERM, then waits for the exit. The exit status (0 = clean), -1 when
    // not running or killed by a signal.
    int stop();

    const std::string& readyLine() const { return ready_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string ready_;
};

}  // namespace tbcom::e2e
