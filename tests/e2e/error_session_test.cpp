// End to end: the built shared library, loaded with dlopen, runs error tests
// against benchsim over a pseudo-terminal, in real time.
#include <stdlib.h>
#include <time.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "benchsim_process.h"
#include "tbcom_library.h"

namespace tbcom::e2e {
namespace {

namespace fs = std::filesystem;
constexpr std::uint8_t kPort = 3;

double nowSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void sleepSeconds(double s) {
    timespec ts{static_cast<time_t>(s), static_cast<long>((s - static_cast<double>(static_cast<time_t>(s))) * 1e9)};
    nanosleep(&ts, nullptr);
}

class BenchE2E : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        lib_ = TbcomLibrary::load(TBCOM_LIB_PATH, error);
        ASSERT_NE(lib_, nullptr) << error;
        char tmpl[] = "/tmp/tbcom-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        setenv("TBCOM_COMDIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        if (lib_) lib_->Dll_Port_Close();
        if (started_) {
            EXPECT_EQ(sim_.stop(), 0);  // a clean exit on SIGTERM
            EXPECT_FALSE(fs::exists(fs::symlink_status(dir_ / "COM3")));  // link removed
        }
        unsetenv("TBCOM_COMDIR");
        fs::remove_all(dir_);
    }

    void startBench(const std::vector<std::string>& args) {
        std::string error;
        ASSERT_TRUE(sim_.start(BENCHSIM_PATH, dir_.string(), args, error)) << error;
        started_ = true;
        EXPECT_EQ(sim_.readyLine(), "READY " + (dir_ / "COM3").string());
        ASSERT_TRUE(fs::is_symlink(dir_ / "COM3"));
    }

    // Error_Read into a buffer pre-filled with a marker, so an unwritten
    // buffer shows.
    std::string readError(int position, bool& ok) {
        char buf[64];
        std::strcpy(buf, "unwritten");
        char* p = buf;
        ok = lib_->Error_Read(&p, static_cast<std::uint8_t>(position), kPort) == 1;
        return buf;
    }

    TbcomLibrary* lib_ = nullptr;
    fs::path dir_;
    BenchsimProcess sim_;
    bool started_ = false;
};

TEST_F(BenchE2E, ErrorsOfThreeMetersAreReadBack) {
    // Constant 1000 and one circle give 10 standard pulses exactly, so the
    // calculators report the configured errors without rounding.
    startBench({"--meter", "1:1000:0.2", "--meter", "2:1000:-0.5", "--meter", "3:1000:0"});
    const double t0 = nowSeconds();
    ASSERT_EQ(lib_->Error_Clear(kPort), 1);
    for (int p = 1; p <= 3; ++p) ASSERT_EQ(lib_->Error_Start(static_cast<std::uint8_t>(p), 1000, 1, kPort), 1) << p;

    bool ok = false;
    EXPECT_EQ(readError(1, ok), "0,0.000");  // started, nothing completed yet
    EXPECT_TRUE(ok);
    EXPECT_EQ(lib_->Error_Read(nullptr, 1, kPort), 1);  // no buffer: read, nothing written

    std::vector<std::string> results(3);
    while (nowSeconds() - t0 < 8) {
        bool pending = false;
        for (int p = 1; p <= 3; ++p) {
            if (!results[p - 1].empty()) continue;
            const std::string r = readError(p, ok);
            ASSERT_TRUE(ok) << "position " << p << ": " << r;
            ASSERT_GE(r.size(), 3u) << r;
            if (r[0] != '0') results[p - 1] = r;
            else pending = true;
        }
        if (!pending) break;
        sleepSeconds(0.1);
    }
    const char* want[] = {"0.200", "-0.500", "0.000"};
    for (int p = 1; p <= 3; ++p) {
        const std::string& r = results[p - 1];
        ASSERT_FALSE(r.empty()) << "position " << p << " never completed";
        EXPECT_GE(r[0], '1') << r;
        EXPECT_LE(r[0], '9') << r;
        EXPECT_EQ(r.substr(1), std::string(",") + want[p - 1]) << "position " << p;
    }
    // One meter pulse takes about 1.1 s at the simulated source's 3.3 kW.
    EXPECT_LT(nowSeconds() - t0, 4.0);
}

TEST_F(BenchE2E, SilentPositionFailsAfterAboutTwoSeconds) {
    startBench({"--silent", "2"});
    bool ok = false;
    EXPECT_EQ(readError(1, ok), "0,0.000");
    ASSERT_TRUE(ok);

    const double t0 = nowSeconds();
    EXPECT_EQ(readError(2, ok), "");
    const double took = nowSeconds() - t0;
    EXPECT_FALSE(ok);
    EXPECT_GE(took, 1.8);
    EXPECT_LE(took, 3.5);

    EXPECT_EQ(readError(3, ok), "0,0.000");  // the line is usable again
    EXPECT_TRUE(ok);
}

TEST_F(BenchE2E, ClosedPortIsReopenedByTheNextCall) {
    startBench({});
    ASSERT_EQ(lib_->Error_Clear(kPort), 1);
    EXPECT_NE(lib_->getComHandle(), 0u);
    lib_->Dll_Port_Close();
    EXPECT_EQ(lib_->getComHandle(), 0u);

    bool ok = false;
    EXPECT_EQ(readError(1, ok), "0,0.000");
    EXPECT_TRUE(ok);
    EXPECT_NE(lib_->getComHandle(), 0u);
    lib_->Dll_Port_Close();
    EXPECT_EQ(lib_->Error_Clear(kPort), 1);  // and once more
}

TEST_F(BenchE2E, NoBenchMeansFailureWithoutAPort) {
    const double t0 = nowSeconds();
    EXPECT_EQ(lib_->Error_Clear(kPort), 0);
    bool ok = true;
    EXPECT_EQ(readError(1, ok), "unwritten");  // nothing sent, nothing written
    EXPECT_FALSE(ok);
    EXPECT_EQ(lib_->getComHandle(), 0u);
    EXPECT_LT(nowSeconds() - t0, 0.5);
}

}  // namespace
}  // namespace tbcom::e2e
