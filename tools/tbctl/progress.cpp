#include "progress.h"

#include <unistd.h>

#include <chrono>

namespace tbctl {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kQuiet = std::chrono::seconds(1);             // short calls draw nothing
constexpr auto kRedraw = std::chrono::milliseconds(100);

}  // namespace

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

ProgressLine::ProgressLine(std::FILE* stream, std::string label, bool enabled)
    : stream_(stream), label_(std::move(label)) {
    if (enabled) thread_ = std::thread([this] { run(); });
}

ProgressLine::~ProgressLine() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
    }
    done_.notify_one();
    thread_.join();
}

void ProgressLine::run() {
    const auto start = Clock::now();
    std::unique_lock<std::mutex> lock(mutex_);
    if (done_.wait_until(lock, start + kQuiet, [this] { return finished_; })) return;
    // Plain carriage returns and spaces rather than terminal escapes, which
    // not every Windows console understands.
    int width = 0;
    do {
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        width = std::fprintf(stream_, "\r%s: %.1f s ", label_.c_str(), s);
        std::fflush(stream_);
    } while (!done_.wait_for(lock, kRedraw, [this] { return finished_; }));
    // The line goes; the call's own output follows.
    std::fprintf(stream_, "\r%*s\r", width > 1 ? width - 1 : 0, "");
    std::fflush(stream_);
}

}  // namespace tbctl
