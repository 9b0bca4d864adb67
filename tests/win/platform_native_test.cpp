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

std::string TempIni(const char* name) {
    char dir[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, dir);
    std::string path = std::string(dir, n) + name;
    DeleteFileA(path.c_str());
    return path;
}

TEST(Win32Ini, WrittenValuesReadBack) {
    const std::string path = TempIni("tbcom_platform_test.ini");
    EXPECT_EQ(os().iniRead(path, "JIAODUXZ", "A", "none"), "none");
    ASSERT_TRUE(os().iniWrite(path, "JIAODUXZ", "A", "1.25"));
    ASSERT_TRUE(os().iniWrite(path, "JIAODUXZ", "B", "-3"));
    EXPECT_EQ(os().iniRead(path, "JIAODUXZ", "A", "none"), "1.25");
    EXPECT_EQ(os().iniRead(path, "JIAODUXZ", "B", "none"), "-3");
    EXPECT_EQ(os().iniRead(path, "OTHER", "A", "fallback"), "fallback");
    // A second write under the same key replaces the first.
    ASSERT_TRUE(os().iniWrite(path, "JIAODUXZ", "A", "2"));
    EXPECT_EQ(os().iniRead(path, "JIAODUXZ", "A", ""), "2");
    DeleteFileA(path.c_str());
}

TEST(Win32Ini, LongValuesAreNotCutOff) {
    const std::string path = TempIni("tbcom_platform_long.ini");
    std::string value;
    for (int i = 0; i < 300; ++i) value += static_cast<char>('a' + i % 26);
    value += value;  // 600 characters, more than the first read buffer
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

std::string Section(const LocalTime& t) {
    char b[16];
    std::snprintf(b, sizeof b, "%04d%02d%02d", t.year, t.month, t.day);
    return b;
}
std::string Key(const LocalTime& t) {
    char b[16];
    std::snprintf(b, sizeof b, "%02d%02d%02d", t.hour, t.minute, t.second);
    return b;
}

TEST(Win32DebugLog, EntryLandsInDebugIniBesideTheExecutable) {
    const std::string path = os().programDir() + "debug.ini";
    DeleteFileA(path.c_str());
    platform::install(nullptr);  // the OS implementation
    const LocalTime before = os().localTime();
    core::WriteDebugLog("range 220V/5A");
    const LocalTime after = os().localTime();
    ASSERT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
    // The entry is under the second it was written in: before or after.
    std::string got = os().iniRead(path, Section(before), Key(before), "");
    if (got.empty()) got = os().iniRead(path, Section(after), Key(after), "");
    EXPECT_EQ(got, "range 220V/5A");
    DeleteFileA(path.c_str());
}

TEST(Win32Time, LocalTimeIsPlausible) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    const LocalTime t = os().localTime();
    EXPECT_EQ(t.year, st.wYear);
    EXPECT_GE(t.month, 1);
    EXPECT_LE(t.month, 12);
    EXPECT_GE(t.day, 1);
    EXPECT_LE(t.day, 31);
    EXPECT_LE(t.hour, 23);
    EXPECT_LE(t.second, 59);
}

TEST(Win32Clocks, BothCountFromSystemStart) {
    const std::uint32_t tick = os().tickMs();
    const std::uint32_t mm = os().timeMs();
    // Two views of the same uptime: they agree to well within a second.
    const std::int32_t diff = static_cast<std::int32_t>(mm - tick);
    EXPECT_LT(diff < 0 ? -diff : diff, 1000);
}

TEST(Win32Pump, PendingMessagesAreTaken) {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_APP + 1, 0, 0));
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_APP + 2, 0, 0));
    os().pumpMessages();
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
}

TEST(Win32Pump, WaitBrieflyPumpsToo) {
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_APP + 3, 0, 0));
    os().waitBriefly(0);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
}

TEST(Win32Pump, QuitRequestIsLeftForTheHost) {
    PostQuitMessage(7);
    os().pumpMessages();
    os().waitBriefly(0);
    MSG m{};
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(m.wParam, 7u);
}

TEST(Win32Serial, MissingPortsDoNotOpen) {
    EXPECT_EQ(os().serialOpen(0), 0u);
    EXPECT_EQ(os().serialOpen(-1), 0u);
    EXPECT_EQ(os().serialOpen(250), 0u);
}

TEST(Win32Serial, ClosedHandleFailsEveryCall) {
    // A handle value that is not open: calls report failure, nothing throws.
    const PortHandle h = 0x7FF0;
    SerialSettings s;
    EXPECT_FALSE(os().serialGetSettings(h, s));
    EXPECT_FALSE(os().serialSetSettings(h, s));
    EXPECT_EQ(os().serialQueued(h), -1);
    std::uint8_t b[4];
    EXPECT_EQ(os().serialRead(h, b, 4), -1);
    EXPECT_EQ(os().serialWrite(h, b, 4), -1);
}

}  // namespace
}  // namespace tbcom::platform
