// tbctl --sim: the simulated bench inside tbctl, built from benchsim's
// options and installed as the library's platform. Its clock is virtual:
// a call's waits take no wall time, yet every device ages by exactly the
// time the call waited, as on a real bench.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench.h"
#include "meter_line.h"
#include "options.h"

namespace tbctl {

class SimBench {
public:
    // benchsim's options, without --dir; an error text when they are wrong.
    static std::optional<std::string> Parse(const std::vector<std::string>& args, benchsim::Options& o);

    // Builds the bench and makes it the platform.
    explicit SimBench(const benchsim::Options& o);
    SimBench(const SimBench&) = delete;
    SimBench& operator=(const SimBench&) = delete;

    // Lets time pass on the bench between calls.
    void sleep(double seconds) { bench_.advance(seconds); }
    // Writes the --wire-log and --waves files; false with `error` set when
    // one cannot be written.
    bool finish(std::string& error) const;

private:
    benchsim::Options options_;
    tbcom::sim::Bench bench_;
    std::unique_ptr<tbcom::sim::MeterLine> meterLine_;
};

}  // namespace tbctl
