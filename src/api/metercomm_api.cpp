// Exports of the RS-485 meter port and the serial-number read.
#include "api/host_io.h"
#include "metercomm/frame_rules.h"
#include "metercomm/meter_port.h"
#include "metercomm/meter_port_state.h"
#include "metercomm/receive_window.h"
#include "metercomm/serial_number.h"

using tbcom::api::Guard;
using tbcom::api::GuardVoid;
using tbcom::api::TextIn;
using tbcom::api::TextOut;
namespace mc = tbcom::metercomm;

namespace {

// Longest texts the header states: a 1024-byte receive as hex, and the
// identification cut from at most 1024 received bytes.
constexpr std::size_t kLongestFrameText = 2 * mc::kMaxReceiveBytes;
constexpr std::size_t kLongestIdentText = 1017;

// A receive: nothing happens for a zero handle; otherwise the reply or
// "RECV_BAD" goes into the host's buffer.
template <class F>
tbcom_bool ReceiveInto(tbcom_handle handle, char** data, F&& receive) {
    if (handle == 0) return 0;
    return Guard<tbcom_bool>(0, [&] {
        const std::optional<std::string> reply = receive();
        const bool fits = TextOut(data, reply ? *reply : std::string("RECV_BAD"), kLongestFrameText);
        return reply && fits ? 1 : 0;
    });
}

}  // namespace

extern "C" {

tbcom_bool tbcom_impl_Open485CommPort(tbcom_handle* handle, const char* settings, uint8_t port) {
    if (!handle) return 0;
    return Guard<tbcom_bool>(0, [&] { return mc::OpenMeterPort(*handle, TextIn(settings), port) ? 1 : 0; });
}

tbcom_bool tbcom_impl_Close485CommPort(tbcom_handle* handle) {
    if (handle) GuardVoid([&] { mc::CloseMeterPort(*handle); });
    return 1;
}

tbcom_bool tbcom_impl_Set485CommPort(tbcom_handle* handle, const char* settings) {
    if (handle) GuardVoid([&] { mc::ReconfigureMeterPort(*handle, TextIn(settings)); });
    return 1;
}

void tbcom_impl_Set485ByteDealy(int32_t milliseconds) { mc::meterPortState().byteDelay = milliseconds; }

tbcom_bool tbcom_impl_Send485Data(tbcom_handle handle, const char* hex) {
    return Guard<tbcom_bool>(0, [&] { return mc::SendHex(handle, TextIn(hex)) ? 1 : 0; });
}

tbcom_bool tbcom_impl_Recv485Data(tbcom_handle handle, char** data, int32_t length) {
    return ReceiveInto(handle, data, [&] { return mc::ReceiveRaw(handle, length); });
}

tbcom_bool tbcom_impl_Recv645Data(tbcom_handle handle, char** data) {
    return ReceiveInto(handle, data, [&] { return mc::ReceiveDlt(handle, mc::kMode645); });
}

tbcom_bool tbcom_impl_Recv645Data1(tbcom_handle handle, char** data) {
    return ReceiveInto(handle, data, [&] { return mc::ReceiveDlt(handle, mc::kMode645AcceptError); });
}

tbcom_bool tbcom_impl_Recv698Data(tbcom_handle handle, char** data) {
    return ReceiveInto(handle, data, [&] { return mc::ReceiveDlt(handle, mc::kMode698); });
}

void tbcom_impl_SetHDLCPara(int32_t lower, int32_t upper, int32_t client) {
    auto& params = mc::meterPortState().hdlcParams;
    params[0] = lower;
    params[1] = upper;
    params[2] = client;
}

tbcom_bool tbcom_impl_SendHDLCData(tbcom_handle handle, const char* hex) {
    return Guard<tbcom_bool>(0, [&] { return mc::SendHdlc(handle, TextIn(hex)) ? 1 : 0; });
}

tbcom_bool tbcom_impl_RecvHDLCData(tbcom_handle handle, char** data) {
    return ReceiveInto(handle, data, [&] { return mc::ReceiveHdlc(handle); });
}

tbcom_bool tbcom_impl_Read_SerialNumber(char** id, int32_t /*reserved*/, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        const auto ident = mc::ReadSerialNumber(port);
        if (!ident) return 0;
        return TextOut(id, *ident, kLongestIdentText) ? 1 : 0;
    });
}

}  // extern "C"
