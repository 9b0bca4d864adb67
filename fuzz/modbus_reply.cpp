// The Modbus reader (start bytes, fixed length, CRC) under the three
// register transactions, and what is read through it: the register meters
// (LX-7000, LX-9700, LX-7000C, WB412E, WB412I) with their reading-text
// parsers, the bench controller's registers and the kind register. Input:
// mode, device, register count, then the device's replies (harness.h).
#include <cstdint>
#include <string>

#include "core/state.h"
#include "harness.h"
#include "stdmeter/kind.h"
#include "stdmeter/link.h"
#include "stdmeter/meter_parsers.h"
#include "stdmeter/parsers.h"
#include "stdmeter/register_meters.h"
#include "transport/modbus_rtu.h"

using namespace tbcom;

namespace {

// One transaction: 0.5 s of silence after the last stored byte, 1.5 s in all.
constexpr double kTransactS = 1.51;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t mode = in.byte(), dev = in.byte(), count = in.byte();
    fuzz::FuzzBench bench(in.rest());
    bench.clock.baseMs = fuzz::TickBase(mode);
    const auto h = bench.benchPort();
    const bool record = mode & 0x10;
    const std::uint64_t start = bench.clock.us;
    double bound = kTransactS + 0.5;
    std::string text;
    switch (mode & 0x0F) {
        case 0: {
            const int rc = transport::ModbusReadRegisters(h, dev, 0, 1 + count % 64, text);
            if (rc == 0 && text.size() != 2u * (1 + count % 64)) fuzz::Fail("register data of the wrong length");
            break;
        }
        case 1: transport::ModbusWriteRegister(h, dev, 0x5A, count); break;
        case 2: transport::ModbusWriteRegisters(h, dev, 0x30, std::string(1 + count % 32, '\x12')); break;
        case 3: {
            transport::WriteModbusFrame(h, transport::BuildReadRegisters(dev, 0, 1));
            transport::ReadModbusReply(h, text, 1 + count % 128, dev);
            break;
        }
        case 4:
            text = stdmeter::ReadLx7000Meter(h, "LX-7000D", record);
            stdmeter::ParseLx7000(text);
            break;
        case 5:
            text = stdmeter::ReadLx9700Meter(h, "LX-9700", record);
            stdmeter::ParseLx9700(text);
            break;
        case 6:
            text = stdmeter::ReadLx7000cMeter(h, "LX-7000C", record);
            stdmeter::ParseLx7000c(text);
            break;
        case 7:
            text = stdmeter::ReadWb412eMeter(h, "WB412E-1S2", record);
            bound *= 2;
            stdmeter::ParseWb412e(text);
            break;
        case 8:
            text = stdmeter::ReadWb412iMeter(h, "WB412I", record);
            stdmeter::ParseWb412i(text);
            break;
        case 9:
            text = stdmeter::StdLink_ReadRegs(h, 58, 14);
            stdmeter::ParseRegisterMeter(text);
            break;
        case 10:
            core::state().stdMeterKind = 5;
            bound = 3 * (kTransactS + 0.1) + 1;
            stdmeter::StdLink_Set(h, (mode & 0x20) != 0);
            break;
        default:
            stdmeter::DetectKind(h);
            bound = 3 * (kTransactS + 1.0) + 2;  // three reads and the pauses after them
            break;
    }
    fuzz::Trace("reply", text);
    fuzz::CheckBound(bench, start, bound);
    if (core::state().busBusy) fuzz::Fail("BusBusy left set");
    return 0;
}
