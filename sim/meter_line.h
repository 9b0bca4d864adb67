// The RS-485 line to the meters under test, on its own COM number: a
// DL/T 645-2007 meter, a DL/T 698.45 meter, a DLMS meter on HDLC and a
// meter's optical head, each at its own line settings, so that one host
// port reaches each of them by switching speed and framing.
#pragma once

#include "dlt645_meter.h"
#include "dlt698_meter.h"
#include "hdlc_meter.h"
#include "line.h"
#include "optical_head.h"
#include "sim_platform.h"

namespace tbcom::sim {

struct MeterLine {
    // Addresses the meters answer to.
    static constexpr const char* kDlt645Address = "000000000001";
    static constexpr const char* kDlt698Address = "000000000002";
    static constexpr std::uint8_t kHdlcUpper = 0x02;  // logical device 1
    static constexpr std::uint8_t kHdlcLower = 0x23;  // physical device 1

    explicit MeterLine(VirtualClock& clock)
        : line(clock),
          dlt645(line.add<Dlt645Meter>("dlt645", kDlt645Address)),
          dlt698(line.add<Dlt698Meter>("dlt698", kDlt698Address)),
          hdlc(line.add<HdlcMeter>("hdlc", kHdlcUpper, kHdlcLower)),
          head(line.add<OpticalHead>("optical")) {}

    Line line;
    Dlt645Meter& dlt645;
    Dlt698Meter& dlt698;
    HdlcMeter& hdlc;
    OpticalHead& head;
};

}  // namespace tbcom::sim
