#include "transport/serial_port.h"

#include "core/numbers.h"
#include "core/state.h"
#include "core/text.h"

namespace tbcom::transport {

namespace {

platform::Platform& os() { return platform::current(); }

// The two texts of the baud error box, GBK: "cannot set the serial port
// correctly!" and "error".
const char kBaudErrorText[] =
    "\xB2\xBB\xC4\xDC\xD5\xFD\xC8\xB7\xB5\xC4\xC9\xE8\xD6\xC3\xB4\xAE\xD0\xD0\xBF\xDA\xA3\xA1";
const char kBaudErrorTitle[] = "\xB4\xED\xCE\xF3";

}  // namespace

std::optional<platform::SerialSettings> ApplyParamText(platform::SerialSettings s,
                                                       std::string_view params) {
    using platform::Parity;
    using platform::StopBits;
    auto baud = core::TryTextToInt(core::CommaField(params, 1));
    auto bits = core::TryTextToInt(core::CommaField(params, 3));
    if (!baud || !bits || *baud < 0 || *baud > 0xFFFFFFFFLL || *bits < 0 || *bits > 255)
        return std::nullopt;
    s.baud = static_cast<std::uint32_t>(*baud);
    s.dataBits = static_cast<std::uint8_t>(*bits);
    std::string p = core::UpperAscii(core::CommaField(params, 2));
    char letter = p.size() == 1 ? p[0] : '?';
    switch (letter) {
        case 'N': s.parity = Parity::None; break;
        case 'O': s.parity = Parity::Odd; break;
        case 'E': s.parity = Parity::Even; break;
        case 'M': s.parity = Parity::Mark; break;
        case 'S': s.parity = Parity::Space; break;
        default: s.parity = Parity::Even; break;
    }
    std::string stop = core::CommaField(params, 4);
    s.stopBits = stop == "1.5" ? StopBits::OneAndHalf : stop == "2" ? StopBits::Two : StopBits::One;
    return s;
}

PortHandle Usable(PortHandle h) { return core::state().retiredHandles.count(h) ? 0 : h; }

void Reinstate(PortHandle h) { core::state().retiredHandles.erase(h); }

PortHandle OpenCommPort(int portNumber, std::string_view params) {
    auto& p = os();
    PortHandle h = p.serialOpen(portNumber);
    if (h == 0) return 0;
    if (!Usable(h)) {
        // A variable still holds this value for a port the library closed:
        // two owners of one value would act on each other's port.
        p.serialClose(h);
        return 0;
    }
    platform::SerialSettings cur;
    if (!p.serialGetSettings(h, cur)) {
        p.serialClose(h);
        return 0;
    }
    auto next = ApplyParamText(cur, params);
    if (!next || !p.serialSetSettings(h, *next)) {
        p.serialClose(h);
        return 0;
    }
    p.serialPurge(h);
    return h;
}

bool ReconfigureCommPort(PortHandle& h, std::string_view params) {
    auto& p = os();
    platform::SerialSettings cur;
    std::optional<platform::SerialSettings> next;
    if (Usable(h) != 0 && p.serialGetSettings(h, cur)) next = ApplyParamText(cur, params);
    if (!next || !p.serialSetSettings(h, *next)) {
        h = CloseCommPort(h);
        return false;
    }
    p.serialPurge(h);
    return true;
}

int SetCommBaud(PortHandle h, std::string_view baudText) {
    auto& p = os();
    auto baud = core::TryTextToInt(baudText.empty() ? std::string_view("9600") : baudText);
    platform::SerialSettings cur;
    const bool retired = Usable(h) == 0 && h != 0;
    bool known = !retired && p.serialGetSettings(h, cur);
    if (known && baud && cur.baud == *baud) return 1;
    if (known && baud && *baud > 0 && *baud <= 0xFFFFFFFFLL) {
        cur.baud = static_cast<std::uint32_t>(*baud);
        if (p.serialSetSettings(h, cur)) {
            p.serialPurge(h);
            return 1;
        }
    }
    if (!retired) {
        CloseCommPort(h);
        if (h != 0) core::state().retiredHandles.insert(h);
    }
    p.errorBox(kBaudErrorText, kBaudErrorTitle);
    return 0;
}

PortHandle CloseCommPort(PortHandle h) {
    if (core::state().retiredHandles.erase(h)) return 0;  // closed already
    // Handles are compared as signed 32-bit values: below 1 means not open.
    if (static_cast<std::int32_t>(h) >= 1) os().serialClose(h);
    return 0;
}

void PurgeAndWrite(PortHandle h, std::string_view bytes) {
    auto& p = os();
    if (Usable(h) == 0) return;
    p.serialPurge(h);
    p.serialWrite(h, reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<int>(bytes.size()));
}

int WriteRaw(PortHandle h, std::string_view bytes) {
    PurgeAndWrite(h, bytes);
    return 1;
}

int WriteHexText(PortHandle h, std::string_view hex) {
    std::string bytes;
    core::HexToBytes(hex, bytes);  // a bad digit ends the text; the pairs before it are sent
    PurgeAndWrite(h, bytes);
    return 1;
}

}  // namespace tbcom::transport
