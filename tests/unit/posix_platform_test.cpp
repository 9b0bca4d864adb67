// The POSIX platform's services other than serial ports: INI files on disk,
// the program directory, the clocks and the error box.
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

tbcom::platform::Platform& os() { return tbcom::platform::native(); }

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class IniOnDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tbcom-ini-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        path_ = (dir_ / "tbtest.ini").string();
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
    std::string path_;
};

TEST_F(IniOnDiskTest, ReadCreatesNothingWriteCreatesAndKeepsTheFile) {
    EXPECT_EQ(os().iniRead(path_, "JIAODUXZ", "UA", "0"), "0");
    EXPECT_FALSE(fs::exists(path_));
    ASSERT_TRUE(os().iniWrite(path_, "20261206", "093015", "Error_Read pos 1"));
    EXPECT_EQ(slurp(path_), "[20261206]\n093015=Error_Read pos 1\n");
    { std::ofstream(path_, std::ios::binary) << "; angle corrections\r\n[jiaoduxz]\r\n ua = 1.5 \r\n"; }
    EXPECT_EQ(os().iniRead(path_, "JIAODUXZ", "UA", "0"), "1.5");
    ASSERT_TRUE(os().iniWrite(path_, "JIAODUXZ", "UB", "2"));
    EXPECT_EQ(slurp(path_), "; angle corrections\r\n[jiaoduxz]\r\n ua = 1.5 \r\nUB=2\n");
    EXPECT_FALSE(os().iniWrite((dir_ / "no-such-dir" / "debug.ini").string(), "S", "k", "v"));
}


TEST(PosixPlatform, ProgramDirIsTheExecutablesDirectory) {
    const std::string dir = os().programDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(fs::path(dir + "x").parent_path(), fs::canonical("/proc/self/exe").parent_path());
}

TEST(PosixPlatform, ClocksAndLocalTime) {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const auto expected = static_cast<std::uint32_t>(static_cast<std::uint64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000);
    const std::uint32_t tick = os().tickMs(), time = os().timeMs();
    EXPECT_LT(static_cast<std::uint32_t>(tick - expected), 1000u);
    EXPECT_LT(static_cast<std::uint32_t>(time - tick), 1000u);
    const time_t now = ::time(nullptr);
    tm t{};
    localtime_r(&now, &t);
    const auto lt = os().localTime();
    EXPECT_EQ(lt.year * 100 + lt.month, (t.tm_year + 1900) * 100 + t.tm_mon + 1);
    EXPECT_LE(lt.hour, 23);
}

TEST(PosixPlatform, ErrorBoxIsSilentUnlessAsked) {
    unsetenv("TBCOM_ERRORBOX_STDERR");
    testing::internal::CaptureStderr();
    os().errorBox("port refused", "error");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    setenv("TBCOM_ERRORBOX_STDERR", "1", 1);
    testing::internal::CaptureStderr();
    os().errorBox("port refused", "error");
    const std::string said = testing::internal::GetCapturedStderr();
    unsetenv("TBCOM_ERRORBOX_STDERR");
    EXPECT_EQ(said, "error: port refused\n");
}

}  // namespace
