#include "optical_head.h"

namespace tbcom::sim {

void OpticalHead::onBurst(std::string_view burst, Line& line) {
    rx_.add(burst);
    std::string& b = rx_.bytes;
    for (;;) {
        if (!rx_.syncTo('/')) return;
        const std::size_t end = b.find("\r\n");
        if (end == std::string::npos) return;
        const std::string request = b.substr(0, end);
        rx_.drop(end + 2);
        if (request.size() < 3 || request[1] != '?' || request.back() != '!') continue;
        ++signOns;
        line.reply(*this, reply.empty() ? "/" + identification + "\r\n" : reply, 0.2);
    }
}

}  // namespace tbcom::sim
