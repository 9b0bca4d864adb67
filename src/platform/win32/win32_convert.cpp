#include "platform/win32/win32_convert.h"

namespace tbcom::platform::win32 {

std::string ComDeviceName(int comNumber) { return "\\\\.\\COM" + std::to_string(comNumber); }

SerialSettings SettingsFromDcb(const DCB& dcb) {
    SerialSettings s;
    s.baud = dcb.BaudRate;
    s.dataBits = dcb.ByteSize;
    switch (dcb.Parity) {
        case ODDPARITY: s.parity = Parity::Odd; break;
        case EVENPARITY: s.parity = Parity::Even; break;
        case MARKPARITY: s.parity = Parity::Mark; break;
        case SPACEPARITY: s.parity = Parity::Space; break;
        default: s.parity = Parity::None; break;
    }
    switch (dcb.StopBits) {
        case ONE5STOPBITS: s.stopBits = StopBits::OneAndHalf; break;
        case TWOSTOPBITS: s.stopBits = StopBits::Two; break;
        default: s.stopBits = StopBits::One; break;
    }
    return s;
}

void ApplySettingsToDcb(const SerialSettings& s, DCB& dcb) {
    dcb.BaudRate = s.baud;
    dcb.ByteSize = s.dataBits;
    switch (s.parity) {
        case Parity::None: dcb.Parity = NOPARITY; break;
        case Parity::Odd: dcb.Parity = ODDPARITY; break;
        case Parity::Even: dcb.Parity = EVENPARITY; break;
        case Parity::Mark: dcb.Parity = MARKPARITY; break;
        case Parity::Space: dcb.Parity = SPACEPARITY; break;
    }
    switch (s.stopBits) {
        case StopBits::One: dcb.StopBits = ONESTOPBIT; break;
        case StopBits::OneAndHalf: dcb.StopBits = ONE5STOPBITS; break;
        case StopBits::Two: dcb.StopBits = TWOSTOPBITS; break;
    }
}

std::wstring WideFromCodePage(const std::string& text, unsigned codePage) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    if (slash == std::string::npos) return ".\\";
    return path.substr(0, slash + 1);
}

}  // namespace tbcom::platform::win32
