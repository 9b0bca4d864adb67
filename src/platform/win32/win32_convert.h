// Small pure conversions used by the Win32 platform, kept apart so they can
// be tested on their own: handles as 32-bit values, the serial settings in a
// DCB, GBK texts to UTF-16, and the directory part of a program path.
#pragma once

#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace tbcom::platform::win32 {

// Handles cross the exports as 32-bit values. Win64 kernel handles fit in 32
// bits and are sign-extended when widened back (INVALID_HANDLE_VALUE is -1).
inline PortHandle PortFromHandle(HANDLE h) {
    return static_cast<PortHandle>(reinterpret_cast<std::uintptr_t>(h));
}
inline HANDLE HandleFromPort(PortHandle v) {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(static_cast<std::int32_t>(v)));
}

// "\\.\COM<n>": the form that also reaches ports above 9.
std::string ComDeviceName(int comNumber);

// Baud, data bits, parity and stop bits of a DCB; every other field is left
// as the driver reported it.
SerialSettings SettingsFromDcb(const DCB& dcb);
void ApplySettingsToDcb(const SerialSettings& s, DCB& dcb);

// Text in code page `codePage` (936 = GBK) as UTF-16; empty when the code
// page is not available or the text is not valid in it.
std::wstring WideFromCodePage(const std::string& text, unsigned codePage);

// Everything up to and including the last backslash of `path`; ".\" when
// there is none.
std::string DirectoryOf(const std::string& path);

}  // namespace tbcom::platform::win32
