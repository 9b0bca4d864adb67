#include "metercomm/serial_number.h"

#include "core/state.h"
#include "metercomm/frame_rules.h"
#include "metercomm/meter_port.h"
#include "transport/serial_port.h"

namespace tbcom::metercomm {

std::optional<std::string> ReadSerialNumber(std::uint8_t port) {
    auto& st = core::state();
    if (st.benchPort == 0) {
        st.benchPort = transport::OpenCommPort(port, "300,e,7,1");
        if (st.benchPort == 0) return std::nullopt;
        // A freshly opened bench port: like any first open, the standard
        // meter's kind has to be learned again before the next reading.
        st.benchPortNumber = port;
        st.stdMeterKind = -100;
    }
    SendWithByteDelay(st.benchPort, std::string(4, '\0'));
    SendWithByteDelay(st.benchPort, "/?!\r\n");
    std::string reply;
    if (!ReceiveReply(st.benchPort, {kIdentSilenceMs, kIdentOverallMs}, IdentificationRule, reply))
        return std::nullopt;
    // The slash, the manufacturer's three letters and the baud character
    // go, and so does CR LF (or whatever two characters end the reply).
    if (reply.size() <= 7) return std::nullopt;
    return reply.substr(5, reply.size() - 7);
}

}  // namespace tbcom::metercomm
