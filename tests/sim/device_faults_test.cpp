// Faulty devices across the exports, said once: which requests are retried
// after silence, a refusal or a bad reply, what each call returns, how long
// it took on the virtual clock and what it left in the host's buffer.
#include "core/state.h"
#include "sim_fixture.h"

namespace tbcom::test {
namespace {

using K = sim::FaultKind;
constexpr std::uint8_t P = 3;  // the bench port of the fixture
constexpr std::uint64_t kAny = ~0ull;

class DeviceFaults : public SimBenchTest {};

TEST_F(DeviceFaults, RetriesResultsAndTimes) {
    // fault: injected before the call ({} for none; the device may refuse on its own);
    // us: virtual time the call took (kAny: not checked); text: the buffer afterwards (nullptr: not checked).
    const struct { const char* name; sim::Fault fault; std::function<tbcom_bool(char**)> call; tbcom_bool result;
                   size_t writes; std::uint64_t us; const char* text; } cases[] = {
        {"status read once", {"clock", K::Silence, -1}, [](char** o) { return Clock_Test_Read(o, P); }, 0, 1, 2001000, ""},
        {"count read thrice", {"clock", K::Silence, -1},
         [](char** o) { return Clock_Test_ReadL(o, 1, 1, P); }, 0, 3, 6203000, ""},
        {"count bad reply", {"clock", K::BadChecksum, 1},
         [](char** o) { return Clock_Test_ReadL(o, 1, 1, P); }, 1, 2, kAny, nullptr},
        {"start refused", {"clock", K::Refuse, -1}, [](char**) { return Clock_Test_Start(1, 60, P); }, 0, 3, kAny, nullptr},
        {"start refused once", {"clock", K::Refuse, 1},
         [](char**) { return Clock_Test_Start(1, 60, P); }, 1, 2, kAny, nullptr},
        {"0x3F unchecked", {"clock", K::Refuse, 1}, [](char**) { return Clock_Test_StartL(1, 60, P); }, 1, 1, kAny, nullptr},
        {"stop answered late", {"clock", K::Silence, 1}, [](char**) { return Clock_Test_Stop(P); }, 1, 3, kAny, nullptr},
        {"stop refused", {"clock", K::Refuse, -1}, [](char**) { return Clock_Test_Stop(P); }, 0, 6, kAny, nullptr},
        {"ref clock refused", {"clock", K::Refuse, -1}, [](char**) { return SetRefClock(1, P); }, 0, 3, kAny, nullptr},
        {"0x27 checked", {"pos1", K::Refuse, -1},
         [](char**) { return Clock_Error_Start(1, 1, 60, P); }, 0, 3, kAny, nullptr},
        {"0x3F at position", {"pos1", K::Refuse, -1},
         [](char**) { return Clock_SD_Start(1, 1, 60, P); }, 1, 1, kAny, nullptr},
        {"position clock", {"pos1", K::Silence, -1},
         [](char** o) { return Clock_Error_Read(o, 1, 1, 1, P); }, 0, 3, kAny, ""},
        {"error read once", {"pos1", K::Silence, 1}, [](char** o) { return Error_Read(o, 1, P); }, 0, 1, 2001000, ""},
        {"error bad reply", {"pos1", K::BadChecksum, 1}, [](char** o) { return Error_Read(o, 1, P); }, 0, 1, kAny, ""},
        {"clear refused once", {"pos3", K::Refuse, 1}, [](char**) { return ErrorClear(3, P); }, 1, 3, kAny, nullptr},
        {"clear refused", {"pos3", K::Refuse, 3}, [](char**) { return ErrorClear(3, P); }, 0, 4, kAny, nullptr},
        {"board refuses 5", {}, [](char**) { return SetRS485On(1, 5, P); }, 0, 3, kAny, nullptr},
        {"0xB4 unchecked", {}, [](char**) { return SetFCAddVolt(1, 5, P); }, 1, 1, kAny, nullptr},
        {"PWM refused once", {"pos2", K::Refuse, 1}, [](char**) { return SetPWMState(2, 1, P); }, 1, 2, kAny, nullptr},
        {"getter RECV_BAD", {"pos1", K::Silence, -1}, [](char** o) { return GetDCValue(o, 1, P); }, 0, 3, kAny, "RECV_BAD"},
        {"0x10 checked", {"pos1", K::Refuse, 3}, [](char**) { return Set_485_ChannelS(1, 1, P); }, 0, 3, kAny, nullptr},
        {"0x11 checked", {"pos1", K::Refuse, 3}, [](char**) { return Set_Pulse_Channel(1, 2, P); }, 0, 3, kAny, nullptr},
        {"trip '=' unchecked", {"pos1", K::Refuse, 1}, [](char**) { return TripModeEn(1, 1, P); }, 1, 1, kAny, nullptr},
        {"trip '6' checked", {"pos1", K::Refuse, 3}, [](char**) { return TripModeEn(10, 1, P); }, 0, 3, kAny, nullptr},
        {"mark result once", {"pos2", K::Silence, -1}, [](char**) { return Search_mark_Result(2, P); }, 0, 1, kAny, nullptr},
        {"creep result once", {"pos2", K::Silence, -1}, [](char**) { return CRPSTA_Result(2, P); }, 0, 1, kAny, nullptr},
        // The last attempt's 2.0 s silence ends the call, with no 1.0 s pause.
        {"silent board", {"board", K::Silence, -1}, [](char**) { return SelectCircuit(1, P); }, 0, 3, 6203000, nullptr},
        {"0x0A start 2 retried", {"pos3", K::BadChecksum, -1},
         [](char** o) { return PowerLossU_Read(o, 3, P); }, 0, 3, kAny, ""},
        {"input board", {"board", K::Silence, -1}, [](char** o) { return IO_Read(o, P); }, 0, 3, kAny, ""},
        // The standard meter is read first: two of the five writes.
        {"power bad reply", {"power1", K::BadChecksum, -1},
         [](char** o) { return Power_Measure_Read_Single(o, 1, 0, 1, P); }, 0, 5, kAny, ""},
        {"CT refused", {"ctrl", K::Refuse, 1}, [](char**) { return Set_HMC_CT1(50, P); }, 0, 1, kAny, nullptr},
        {"CT silent", {"ctrl", K::Silence, 1}, [](char**) { return Set_HMC_CT1(50, P); }, 0, 1, 501000, nullptr},
        {"max U bad reply", {"ctrl", K::BadChecksum, 1},
         [](char**) { return Set_Pow_Amplifier_MaxU(380, P); }, 0, 1, kAny, nullptr},
        // The output's kind read: three tries, each 0.5 s of silence, 1 s apart.
        {"kind unreadable", {"ctrl", K::Silence, -1}, [](char**) {
             core::state().stdMeterKind = -100;
             return Adjust_UI(1, 220, 5, 50, 0, 0, 100, 100, "H", "1.0", "TB8700", P);
         }, 0, 3, 3503000, nullptr},
    };
    ASSERT_EQ(Error_Reset(P), 1);  // ports open
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bench.line.clearFaults();
        bench.line.clearLog();
        if (!c.fault.device.empty()) bench.line.inject(c.fault);
        HostText out;
        const std::uint64_t t0 = bench.clock.us;
        EXPECT_EQ(c.call(&out.ptr), c.result);
        EXPECT_EQ(writes().size(), c.writes);
        if (c.us != kAny) EXPECT_EQ(bench.clock.us - t0, c.us);
        if (c.text) EXPECT_EQ(out.text(), c.text);
    }
}

}  // namespace
}  // namespace tbcom::test
