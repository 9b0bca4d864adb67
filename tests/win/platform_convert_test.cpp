// The pure conversions of the Win32 platform: handles through 32 bits, the
// serial settings in a DCB, GBK texts, directory of a program path.
#include <gtest/gtest.h>

#include "platform/win32/win32_convert.h"
#include "transport/serial_port.h"

namespace tbcom::platform::win32 {
namespace {

HANDLE FromInt(std::intptr_t v) { return reinterpret_cast<HANDLE>(v); }

TEST(Win32Handles, RoundTripThroughThirtyTwoBits) {
    for (std::intptr_t v : {std::intptr_t{0x4}, std::intptr_t{0x1234}, std::intptr_t{0x7FFFFFFC}}) {
        const PortHandle p = PortFromHandle(FromInt(v));
        EXPECT_EQ(p, static_cast<PortHandle>(v));
        EXPECT_EQ(HandleFromPort(p), FromInt(v));
    }
}

TEST(Win32Handles, NegativeValuesAreSignExtended) {
    // Pseudo-handles and INVALID_HANDLE_VALUE are small negative numbers.
    EXPECT_EQ(PortFromHandle(INVALID_HANDLE_VALUE), 0xFFFFFFFFu);
    EXPECT_EQ(HandleFromPort(0xFFFFFFFFu), INVALID_HANDLE_VALUE);
    EXPECT_EQ(HandleFromPort(0xFFFFFFFEu), FromInt(-2));
}

TEST(Win32ComName, DeviceNamespaceForEveryNumber) {
    EXPECT_EQ(ComDeviceName(3), "\\\\.\\COM3");
    EXPECT_EQ(ComDeviceName(12), "\\\\.\\COM12");
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

struct DcbCase {
    const char* params;
    DWORD baud;
    BYTE byteSize, parity, stopBits;
};

TEST(Win32Dcb, ParameterTextsReachTheDriverSettings) {
    const DcbCase cases[] = {
        {"9600,n,8,1", 9600, 8, NOPARITY, ONESTOPBIT},
        {"57600,N,8,1", 57600, 8, NOPARITY, ONESTOPBIT},
        {"4800,x,7,1.5", 4800, 7, EVENPARITY, ONE5STOPBITS},
        {"2400,o,8,2", 2400, 8, ODDPARITY, TWOSTOPBITS},
        {"1200,e,7,1", 1200, 7, EVENPARITY, ONESTOPBIT},
        {"19200,m,8,1", 19200, 8, MARKPARITY, ONESTOPBIT},
        {"38400,s,8,3", 38400, 8, SPACEPARITY, ONESTOPBIT},
        {"9600,n,8", 9600, 8, NOPARITY, ONESTOPBIT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.params);
        DCB d = DriverDcb();
        auto s = transport::ApplyParamText(SettingsFromDcb(d), c.params);
        ASSERT_TRUE(s.has_value());
        ApplySettingsToDcb(*s, d);
        EXPECT_EQ(d.BaudRate, c.baud);
        EXPECT_EQ(d.ByteSize, c.byteSize);
        EXPECT_EQ(d.Parity, c.parity);
        EXPECT_EQ(d.StopBits, c.stopBits);
        // Everything else stays as the driver reported it.
        const DCB orig = DriverDcb();
        EXPECT_EQ(d.fBinary, orig.fBinary);
        EXPECT_EQ(d.fDtrControl, orig.fDtrControl);
        EXPECT_EQ(d.fOutxCtsFlow, orig.fOutxCtsFlow);
        EXPECT_EQ(d.XonChar, orig.XonChar);
        EXPECT_EQ(d.XoffChar, orig.XoffChar);
        EXPECT_EQ(d.DCBlength, orig.DCBlength);
    }
}

TEST(Win32Dcb, SettingsReadBackFromTheDriver) {
    const Parity parities[] = {Parity::None, Parity::Odd, Parity::Even, Parity::Mark, Parity::Space};
    const StopBits stops[] = {StopBits::One, StopBits::OneAndHalf, StopBits::Two};
    for (Parity p : parities)
        for (StopBits sb : stops) {
            SerialSettings s{4800, 7, p, sb};
            DCB d = DriverDcb();
            ApplySettingsToDcb(s, d);
            EXPECT_EQ(SettingsFromDcb(d), s);
        }
}

TEST(Win32Gbk, ErrorBoxTextsConvert) {
    // "error" and "cannot set the serial port correctly!" in GBK.
    EXPECT_EQ(WideFromCodePage("\xB4\xED\xCE\xF3", 936), std::wstring(L"\u9519\u8BEF"));
    const std::wstring text = WideFromCodePage(
        "\xB2\xBB\xC4\xDC\xD5\xFD\xC8\xB7\xB5\xC4\xC9\xE8\xD6\xC3\xB4\xAE\xD0\xD0\xBF\xDA\xA3\xA1", 936);
    EXPECT_EQ(text, std::wstring(L"\u4E0D\u80FD\u6B63\u786E\u7684\u8BBE\u7F6E\u4E32\u884C\u53E3\uFF01"));
}

TEST(Win32Gbk, AsciiAndInvalidTexts) {
    EXPECT_EQ(WideFromCodePage("COM3", 936), std::wstring(L"COM3"));
    EXPECT_EQ(WideFromCodePage("", 936), std::wstring());
    // A lead byte without its trail byte is not GBK.
    EXPECT_EQ(WideFromCodePage("\xB4", 936), std::wstring());
}

TEST(Win32Paths, DirectoryKeepsTheLastBackslash) {
    EXPECT_EQ(DirectoryOf("C:\\Bench\\Host\\host.exe"), "C:\\Bench\\Host\\");
    EXPECT_EQ(DirectoryOf("Z:\\host.exe"), "Z:\\");
    EXPECT_EQ(DirectoryOf("\\\\server\\share\\h.exe"), "\\\\server\\share\\");
    EXPECT_EQ(DirectoryOf("host.exe"), ".\\");
}

}  // namespace
}  // namespace tbcom::platform::win32
