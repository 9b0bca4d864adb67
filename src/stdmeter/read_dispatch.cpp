#include "stdmeter/read_dispatch.h"

#include "transport/recv_bad.h"
#include "core/state.h"
#include "core/ports.h"
#include "stdmeter/frame_meters.h"
#include "stdmeter/gf7400_meter.h"
#include "stdmeter/torva_wb412u_meter.h"
#include "stdmeter/vn74_meter.h"
#include "stdmeter/kp_meter.h"
#include "stdmeter/link.h"
#include "stdmeter/plm_meter.h"
#include "stdmeter/reader_table.h"
#include "stdmeter/record_scaling.h"
#include "stdmeter/register_meters.h"
#include "stdmeter/std_state.h"

namespace tbcom::stdmeter {

namespace {

const ReaderRow kKpRow{{}, "DT0", ReadKpMeter};

}  // namespace

const std::vector<ReaderRow>& ReaderTable() {
    static const std::vector<ReaderRow> table{
        {{"DD7400"}, "F-frame", ReadDd7400Meter},
        {{"PLM 600.7", "ZAK-K6009"}, "?", ReadPlmMeter},
        {{"LX-7000B", "LX-7000D"}, "LX-7000 registers", ReadLx7000Meter},
        {{"LX-9700"}, "LX-9700 registers", ReadLx9700Meter},
        {{"TB8700B"}, "A0 TB8700B", ReadTb8700bMeter},
        {{"LX-7000C"}, "LX-7000C registers", ReadLx7000cMeter},
        {{"TB8760"}, "A0 TB8760", ReadTb8760Meter},
        {{"GF7400", "GF7404A"}, "GF7400 frame", ReadGf7400Meter},
        {{"VN-74"}, "VN-74 frame", ReadVn74Meter, true},
        {{"TORVA"}, "TORVA frame", ReadTorvaMeter},
        {{"WB412U"}, "WB412U", ReadWb412uMeter},
        {{"WB412E-1S2"}, "WB412E registers", ReadWb412eMeter},
        {{"WB412I"}, "WB412I registers", ReadWb412iMeter},
        {{""}, "none", nullptr},
    };
    return table;
}

const ReaderRow& ReaderFor(const std::string& model) {
    for (const auto& row : ReaderTable())
        for (const auto& m : row.models)
            if (m == model) return row;
    return kKpRow;
}

std::string StdMeter_ReadDispatch(platform::PortHandle port, bool recordMode, bool noSwitch) {
    std::string reply = transport::kRecvBad;
    try {
        if (core::state().outputBusy) return reply;
        if (!noSwitch && !StdLink_Set(port, true)) return reply;
        const ReaderRow& row = ReaderFor(core::state().stdMeterModel);
        // The VN-74 port's number is learned from the model text only after
        // the call opened its ports: open it now rather than miss this read.
        if (row.onVn74Port && core::state().vn74Port == 0) core::EnsurePorts();
        if (row.read) reply = row.read(row.onVn74Port ? core::state().vn74Port : port, core::state().stdMeterModel,
                                       recordMode);
        // Only a good read renews the reading; a failed one leaves it as it
        // was, even when the amplifier factors changed since.
        if (recordMode && !transport::IsRecvBad(reply)) {
            auto& st = stdState();
            st.reading = TransformerScaled(st.meterSide);
        }
        if (!noSwitch) StdLink_Set(port, false);
    } catch (...) {
    }
    return reply;
}

}  // namespace tbcom::stdmeter
