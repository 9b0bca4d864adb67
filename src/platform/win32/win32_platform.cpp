// The Win32 implementation of the platform seam: serial ports through the
// communications API without overlapped I/O, the tick and multimedia clocks,
// the message pump, the private-profile INI calls and the error box.
#include <windows.h>
#include <mmsystem.h>

#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_convert.h"

namespace tbcom::platform {
namespace {

using win32::HandleFromPort;
using win32::PortFromHandle;

constexpr DWORD kQueueBytes = 1024;
// The error box texts are GBK whatever the system's ANSI code page is.
constexpr unsigned kGbkCodePage = 936;

class Win32Platform : public Platform {
public:
    PortHandle serialOpen(int comNumber) override {
        if (comNumber < 1) return 0;
        const std::string name = win32::ComDeviceName(comNumber);
        HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0 /* not shared */, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE || h == nullptr) return 0;
        const PortHandle v = PortFromHandle(h);
        // A handle that does not survive the trip through 32 bits cannot be
        // handed to the host; no real kernel handle is that large.
        if (v == 0 || HandleFromPort(v) != h || !SetupComm(h, kQueueBytes, kQueueBytes)) {
            CloseHandle(h);
            return 0;
        }
        // Reads return at once with whatever the driver holds; the callers
        // poll the queued count and never wait inside ReadFile.
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = MAXDWORD;
        SetCommTimeouts(h, &t);
        return v;
    }

    bool serialGetSettings(PortHandle h, SerialSettings& out) override {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(HandleFromPort(h), &dcb)) return false;
        out = win32::SettingsFromDcb(dcb);
        return true;
    }

    bool serialSetSettings(PortHandle h, const SerialSettings& s) override {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(HandleFromPort(h), &dcb)) return false;
        win32::ApplySettingsToDcb(s, dcb);
        return SetCommState(HandleFromPort(h), &dcb) != 0;
    }

    void serialPurge(PortHandle h) override {
        PurgeComm(HandleFromPort(h), PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    }

    int serialQueued(PortHandle h) override {
        DWORD errors = 0;
        COMSTAT stat{};
        if (!ClearCommError(HandleFromPort(h), &errors, &stat)) return -1;
        return static_cast<int>(stat.cbInQue);
    }

    int serialRead(PortHandle h, std::uint8_t* buf, int max) override {
        if (max <= 0) return 0;
        DWORD got = 0;
        if (!ReadFile(HandleFromPort(h), buf, static_cast<DWORD>(max), &got, nullptr)) return -1;
        return static_cast<int>(got);
    }

    int serialWrite(PortHandle h, const std::uint8_t* buf, int len) override {
        if (len <= 0) return 0;
        DWORD put = 0;
        if (!WriteFile(HandleFromPort(h), buf, static_cast<DWORD>(len), &put, nullptr)) return -1;
        return static_cast<int>(put);
    }

    void serialClose(PortHandle h) override { CloseHandle(HandleFromPort(h)); }

    std::uint32_t tickMs() override { return GetTickCount(); }
    std::uint32_t timeMs() override { return timeGetTime(); }

    void pumpMessages() override {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // The host's own loop must still see the quit request: put it
                // back and stop pumping.
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    void waitForInput(PortHandle, std::uint32_t maxMs) override {
        pumpMessages();
        // Returns early when a message arrives; port data is polled by the
        // caller, so at most 1 ms passes before it looks again.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, maxMs < 1 ? 0 : 1, QS_ALLINPUT);
    }

    std::string iniRead(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& fallback) override {
        std::vector<char> buf(512);
        for (;;) {
            const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buf.data(),
                                                     static_cast<DWORD>(buf.size()), path.c_str());
            // n == size - 1 means the value was cut off: try a larger buffer.
            if (n + 1 < buf.size() || buf.size() >= (1u << 20)) return std::string(buf.data(), n);
            buf.resize(buf.size() * 4);
        }
    }

    bool iniWrite(const std::string& path, const std::string& section, const std::string& key,
                  const std::string& value) override {
        return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) != 0;
    }

    bool fileRead(const std::string& path, std::string& out, std::size_t maxBytes) override {
        HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return false;
        LARGE_INTEGER size{};
        bool ok = GetFileSizeEx(f, &size) && size.QuadPart >= 0 &&
                  static_cast<unsigned long long>(size.QuadPart) <= maxBytes;
        if (ok) {
            out.assign(static_cast<std::size_t>(size.QuadPart), '\0');
            DWORD got = 0;
            ok = out.empty() || (ReadFile(f, out.data(), static_cast<DWORD>(out.size()), &got, nullptr) &&
                                 got == out.size());
        }
        CloseHandle(f);
        return ok;
    }

    std::string programDir() override {
        std::vector<char> buf(MAX_PATH);
        for (;;) {
            const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
            if (n == 0) return ".\\";
            if (n < buf.size()) return win32::DirectoryOf(std::string(buf.data(), n));
            if (buf.size() >= 32768) return ".\\";
            buf.resize(buf.size() * 2);
        }
    }

    LocalTime localTime() override {
        SYSTEMTIME t;
        GetLocalTime(&t);
        return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
    }

    void errorBox(const std::string& text, const std::string& title) override {
        const std::wstring wText = win32::WideFromCodePage(text, kGbkCodePage);
        const std::wstring wTitle = win32::WideFromCodePage(title, kGbkCodePage);
        if (!wText.empty() || text.empty())
            MessageBoxW(nullptr, wText.c_str(), wTitle.c_str(), MB_OK | MB_ICONERROR);
        else
            MessageBoxA(nullptr, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
    }
};

}  // namespace

Platform& native() {
    static Win32Platform p;
    return p;
}

}  // namespace tbcom::platform
