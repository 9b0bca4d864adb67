// The Win32 platform against the real (or wine's) system: INI files, the
// host program's directory, the debug log beside it, the message pump, the
// clocks and ports that do not exist.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "core/debug_log.h"
#include "platform/platform.h"

namespace tbcom::platform {
namespace {

Platform& os() { return native(); }

TEST(Win32Ini, WrittenValuesReadBackLongOnesWhole) {
    char dir[MAX_PATH];
    const std::string path = std::string(dir, GetTempPathA(MAX_PATH, dir)) + "tbcom_platform_test.ini";
    DeleteFileA(path.c_str());
    EXPECT_EQ(os().iniRead(path, "JIAODUXZ", "A", "none"), "none");
    ASSERT_TRUE(os().iniWrite(path, "JIAODUXZ", "A", "1.25"));
    ASSERT_TRUE(os().iniWrite(path, "JIAODUXZ", "B", "-3"));
    ASSERT_TRUE(os().iniWrite(path, "JIAODUXZ", "A", "2"));  // replaces the first
    EXPECT_EQ(os().iniRead(path, "JIAODUXZ", "A", "none"), "2");
    EXPECT_EQ(os().iniRead(path, "JIAODUXZ", "B", "none"), "-3");
    EXPECT_EQ(os().iniRead(path, "OTHER", "A", "fallback"), "fallback");
    std::string value;
    for (int i = 0; i < 600; ++i) value += static_cast<char>('a' + i % 26);  // more than the first read buffer
    ASSERT_TRUE(os().iniWrite(path, "S", "K", value));
    EXPECT_EQ(os().iniRead(path, "S", "K", ""), value);
    DeleteFileA(path.c_str());
}

TEST(Win32Paths, ProgramDirIsTheExecutablesDirectory) {
    const std::string dir = os().programDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '\\');
    char self[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    ASSERT_GT(n, dir.size());
    EXPECT_EQ(std::string(self, dir.size()), dir);
    EXPECT_EQ(std::string(self + dir.size()).find('\\'), std::string::npos);
}

TEST(Win32DebugLog, EntryLandsInDebugIniBesideTheExecutable) {
    const std::string path = os().programDir() + "debug.ini";
    DeleteFileA(path.c_str());
    platform::install(nullptr);  // the OS implementation
    LocalTime t[2] = {os().localTime(), {}};
    core::WriteDebugLog("range 220V/5A");
    t[1] = os().localTime();
    SYSTEMTIME st;
    GetLocalTime(&st);
    EXPECT_EQ(t[1].year * 100 + t[1].month, st.wYear * 100 + st.wMonth);
    // The entry is under the second it was written in: before or after.
    std::string got;
    for (const LocalTime& w : t) {
        char section[16], key[16];
        std::snprintf(section, sizeof section, "%04d%02d%02d", w.year, w.month, w.day);
        std::snprintf(key, sizeof key, "%02d%02d%02d", w.hour, w.minute, w.second);
        if (got.empty()) got = os().iniRead(path, section, key, "");
    }
    EXPECT_EQ(got, "range 220V/5A");
    DeleteFileA(path.c_str());
}

TEST(Win32Clocks, BothCountFromSystemStart) {
    // Two views of the same uptime: they agree to well within a second.
    const std::int32_t diff = static_cast<std::int32_t>(os().timeMs() - os().tickMs());
    EXPECT_LT(diff < 0 ? -diff : diff, 1000);
}

TEST(Win32Pump, PendingMessagesAreTakenAndQuitIsLeftForTheHost) {
    MSG m{};
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_APP + 1, 0, 0));
    os().pumpMessages();
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_APP + 3, 0, 0));
    os().waitBriefly(0);  // pumps too
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    PostQuitMessage(7);
    os().pumpMessages();
    os().waitBriefly(0);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(m.wParam, 7u);
}

TEST(Win32Serial, MissingPortsAndClosedHandlesFail) {
    for (int com : {0, -1, 250}) EXPECT_EQ(os().serialOpen(com), 0u) << com;
    // A handle value that is not open: calls report failure, nothing throws.
    const PortHandle h = 0x7FF0;
    SerialSettings s;
    std::uint8_t b[4];
    EXPECT_FALSE(os().serialGetSettings(h, s));
    EXPECT_FALSE(os().serialSetSettings(h, s));
    EXPECT_EQ(os().serialQueued(h), -1);
    EXPECT_EQ(os().serialRead(h, b, 4), -1);
    EXPECT_EQ(os().serialWrite(h, b, 4), -1);
}

}  // namespace
}  // namespace tbcom::platform
