#include "sim_bench.h"

#include "wire_log_file.h"

namespace tbctl {

std::optional<std::string> SimBench::Parse(const std::vector<std::string>& args, benchsim::Options& o) {
    std::vector<const char*> argv{"tbctl"};
    for (const auto& a : args) argv.push_back(a.c_str());
    o.needsDir = false;
    return benchsim::ParseOptions(static_cast<int>(argv.size()), argv.data(), o);
}

SimBench::SimBench(const benchsim::Options& o) : options_(o), bench_(benchsim::BenchConfigOf(o)) {
    benchsim::ApplyOptions(o, bench_);
    if (o.meterLine != 0) {
        meterLine_ = std::make_unique<tbcom::sim::MeterLine>(bench_.clock);
        bench_.platform.attach(o.meterLine, meterLine_->line);
    }
    bench_.install();
}

bool SimBench::finish(std::string& error) const {
    if (!options_.wireLog.empty() && !benchsim::WriteWireLog(bench_.line.log(), options_.wireLog)) {
        error = "cannot write " + options_.wireLog;
        return false;
    }
    if (!options_.waves.empty() && !benchsim::WriteWaveTables(bench_.waves, options_.waves)) {
        error = "cannot write " + options_.waves;
        return false;
    }
    return true;
}

}  // namespace tbctl
