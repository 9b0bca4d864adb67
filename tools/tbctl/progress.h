// The elapsed-time line of a long call: while a call runs longer than a
// second, a second thread rewrites one line on the terminal with the time
// so far, and wipes it when the call ends.
#pragma once

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace tbctl {

// Whether `stream` is a terminal: only then is a progress line drawn.
bool IsTerminal(std::FILE* stream);

class ProgressLine {
public:
    // Draws nothing when `enabled` is false.
    ProgressLine(std::FILE* stream, std::string label, bool enabled);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

private:
    void run();

    std::FILE* stream_;
    std::string label_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

}  // namespace tbctl
