#include "bench_session.h"

#include <stdlib.h>
#include <time.h>

#include <fstream>
#include <sstream>

namespace tbcom::e2e {

namespace fs = std::filesystem;

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

std::vector<std::string> SplitFields(const std::string& text) {
    std::vector<std::string> out(1);
    for (char c : text)
        if (c == ',') out.emplace_back();
        else out.back().push_back(c);
    return out;
}

std::vector<WireBurst> ReadWireLog(const fs::path& file) {
    std::vector<WireBurst> out;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        WireBurst b;
        std::string dir, who, hex;
        if (!(words >> b.atUs >> dir >> who)) continue;
        b.sender = dir == "H" ? "H" : who;
        while (words >> hex) b.bytes += static_cast<char>(std::stoi(hex, nullptr, 16));
        out.push_back(b);
    }
    return out;
}

std::vector<WireBurst> HostBurstsWith(const std::vector<WireBurst>& log, const std::string& frame) {
    std::vector<WireBurst> out;
    for (const auto& b : log)
        if (b.sender == "H" && b.bytes.find(frame) != std::string::npos) out.push_back(b);
    return out;
}

std::string BusFrameBytes(std::uint8_t start, std::uint8_t address, std::uint8_t command, const std::string& data) {
    unsigned sum = command;
    for (unsigned char c : data) sum += c;
    std::string f{static_cast<char>(start), static_cast<char>(address), static_cast<char>(data.size() + 6),
                  static_cast<char>(command)};
    f += data;
    f += static_cast<char>(sum & 0xFF);
    f += '\x17';
    return f;
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
    if (started_) EXPECT_EQ(stopBench(), 0);  // a clean exit on SIGTERM
    if (lib_) lib_->Dll_Port_Close();
    unsetenv("TBCOM_COMDIR");
    fs::remove_all(dir_);
}

void BenchSession::startBench(const std::vector<std::string>& args) {
    std::vector<std::string> all = args;
    all.insert(all.end(), {"--wire-log", wireLogPath().string()});
    std::string error;
    ASSERT_TRUE(sim_.start(BENCHSIM_PATH, dir_.string(), all, error)) << error;
    started_ = true;
    EXPECT_EQ(sim_.readyLine(), "READY " + (dir_ / "COM3").string());
    ASSERT_TRUE(fs::is_symlink(dir_ / "COM3"));
}

int BenchSession::stopBench() {
    if (lib_) lib_->Dll_Port_Close();
    started_ = false;
    const int status = sim_.stop();
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir_ / "COM3")));  // link removed
    return status;
}

}  // namespace tbcom::e2e
