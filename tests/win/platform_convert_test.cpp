// The pure conversions of the Win32 platform: handles through 32 bits, the
// serial settings in a DCB, GBK texts, directory of a program path.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32/win32_convert.h"
#include "transport/serial_port.h"

namespace tbcom::platform::win32 {
namespace {

HANDLE FromInt(std::intptr_t v) { return reinterpret_cast<HANDLE>(v); }

TEST(Win32Handles, RoundTripThroughThirtyTwoBitsSignExtended) {
    for (std::intptr_t v : {std::intptr_t{0x4}, std::intptr_t{0x1234}, std::intptr_t{0x7FFFFFFC}}) {
        EXPECT_EQ(PortFromHandle(FromInt(v)), static_cast<PortHandle>(v));
        EXPECT_EQ(HandleFromPort(static_cast<PortHandle>(v)), FromInt(v));
    }
    // Pseudo-handles and INVALID_HANDLE_VALUE are small negative numbers.
    EXPECT_EQ(PortFromHandle(INVALID_HANDLE_VALUE), 0xFFFFFFFFu);
    EXPECT_EQ(HandleFromPort(0xFFFFFFFFu), INVALID_HANDLE_VALUE);
    EXPECT_EQ(HandleFromPort(0xFFFFFFFEu), FromInt(-2));
    EXPECT_EQ(ComDeviceName(3), "\\\\.\\COM3");
    EXPECT_EQ(ComDeviceName(255), "\\\\.\\COM255");
}

DCB DriverDcb() {
    DCB d{};
    d.DCBlength = sizeof d;
    d.BaudRate = 115200;
    d.ByteSize = 8;
    d.Parity = NOPARITY;
    d.StopBits = ONESTOPBIT;
    d.fBinary = TRUE;
    d.fDtrControl = DTR_CONTROL_ENABLE;
    d.fOutxCtsFlow = TRUE;
    d.XonChar = 0x11;
    d.XoffChar = 0x13;
    return d;
}

TEST(Win32Dcb, ParameterTextsReachTheDriverSettingsAndNothingElse) {
    const struct { const char* params; DWORD baud; BYTE byteSize, parity, stopBits; } cases[] = {
        {"9600,n,8,1", 9600, 8, NOPARITY, ONESTOPBIT},      {"57600,N,8,1", 57600, 8, NOPARITY, ONESTOPBIT},
        {"4800,x,7,1.5", 4800, 7, EVENPARITY, ONE5STOPBITS}, {"2400,o,8,2", 2400, 8, ODDPARITY, TWOSTOPBITS},
        {"1200,e,7,1", 1200, 7, EVENPARITY, ONESTOPBIT},    {"19200,m,8,1", 19200, 8, MARKPARITY, ONESTOPBIT},
        {"38400,s,8,3", 38400, 8, SPACEPARITY, ONESTOPBIT},  {"9600,n,8", 9600, 8, NOPARITY, ONESTOPBIT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.params);
        DCB d = DriverDcb();
        auto s = transport::ApplyParamText(SettingsFromDcb(d), c.params);
        ASSERT_TRUE(s.has_value());
        ApplySettingsToDcb(*s, d);
        // Everything but the four settings stays as the driver reported it.
        DCB want = DriverDcb();
        want.BaudRate = c.baud, want.ByteSize = c.byteSize, want.Parity = c.parity, want.StopBits = c.stopBits;
        EXPECT_EQ(std::memcmp(&d, &want, sizeof d), 0) << d.BaudRate << " " << int(d.ByteSize) << " "
                                                        << int(d.Parity) << " " << int(d.StopBits);
    }
    for (Parity p : {Parity::None, Parity::Odd, Parity::Even, Parity::Mark, Parity::Space})
        for (StopBits sb : {StopBits::One, StopBits::OneAndHalf, StopBits::Two}) {
            SerialSettings s{4800, 7, p, sb};
            DCB d = DriverDcb();
            ApplySettingsToDcb(s, d);
            EXPECT_EQ(SettingsFromDcb(d), s);  // read back from the driver
        }
}

TEST(Win32Gbk, ErrorBoxTextsAsciiAndInvalidTexts) {
    // "error" and "cannot set the serial port correctly!" in GBK.
    EXPECT_EQ(WideFromCodePage("\xB4\xED\xCE\xF3", 936), std::wstring(L"\u9519\u8BEF"));
    EXPECT_EQ(WideFromCodePage(
                  "\xB2\xBB\xC4\xDC\xD5\xFD\xC8\xB7\xB5\xC4\xC9\xE8\xD6\xC3\xB4\xAE\xD0\xD0\xBF\xDA\xA3\xA1", 936),
              std::wstring(L"\u4E0D\u80FD\u6B63\u786E\u7684\u8BBE\u7F6E\u4E32\u884C\u53E3\uFF01"));
    EXPECT_EQ(WideFromCodePage("COM3", 936), std::wstring(L"COM3"));
    EXPECT_EQ(WideFromCodePage("", 936), std::wstring());
    EXPECT_EQ(WideFromCodePage("\xB4", 936), std::wstring());  // a lead byte without its trail byte
}

TEST(Win32Paths, DirectoryKeepsTheLastBackslash) {
    EXPECT_EQ(DirectoryOf("C:\\Bench\\Host\\host.exe"), "C:\\Bench\\Host\\");
    EXPECT_EQ(DirectoryOf("\\\\server\\share\\h.exe"), "\\\\server\\share\\");
    EXPECT_EQ(DirectoryOf("host.exe"), ".\\");
}

}  // namespace
}  // namespace tbcom::platform::win32
