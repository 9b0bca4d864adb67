// Exports of the frame-and-state family: the bench port handle and the
// bench-wide setters and getters. None touches a device.
#include "api/host_io.h"
#include "core/state.h"
#include "source/output_record.h"
#include "transport/serial_port.h"

using tbcom::api::GuardVoid;
namespace core = tbcom::core;

extern "C" {

TBCOM_API void TBCOM_CALL Dll_Port_Close(void) {
    GuardVoid([] {
        auto& s = core::state();
        if (s.benchPort != 0) s.benchPort = tbcom::transport::CloseCommPort(s.benchPort);
    });
}

TBCOM_API tbcom_handle TBCOM_CALL getComHandle(void) { return core::state().benchPort; }
TBCOM_API void TBCOM_CALL SetComHandle(tbcom_handle handle) {
    core::state().benchPort = handle;
    tbcom::transport::Reinstate(handle);
}
TBCOM_API double TBCOM_CALL getCTRate(void) { return core::state().ctRate; }
TBCOM_API double TBCOM_CALL GetStdConst(void) { return core::state().stdConst; }
TBCOM_API void TBCOM_CALL SetStdConst(double value) { core::state().stdConst = value; }
TBCOM_API void TBCOM_CALL SetDMAddr(int32_t address) { core::state().dmAddr = address; }
TBCOM_API void TBCOM_CALL SetStdFreq(double kilohertz) { core::state().stdFreq = kilohertz * 1000; }
TBCOM_API void TBCOM_CALL Set_ReviseMode(int32_t mode) { core::state().reviseMode = mode; }
TBCOM_API void TBCOM_CALL Set_ReviseTime(double seconds) { core::state().reviseTime = seconds; }
TBCOM_API void TBCOM_CALL Set_NoRevise(uint8_t flag) { core::state().noRevise = flag; }
TBCOM_API void TBCOM_CALL Set_BackRate(uint8_t flag) { core::state().backRate = flag; }

TBCOM_API void TBCOM_CALL Set_SameRange(uint8_t value, uint8_t which) {
    if (which != 0) core::state().sameRangeU = value;
    else core::state().sameRangeI = value;
}

TBCOM_API void TBCOM_CALL Set_WaveType(int32_t waveType) { tbcom::source::sourceOutput().waveType = waveType; }
TBCOM_API void TBCOM_CALL Set_Frequancy(double hertz) { tbcom::source::sourceOutput().frequency = hertz; }
TBCOM_API void TBCOM_CALL Set_OutPutMode(uint8_t mode) { core::state().outPutModeRequest = mode; }
TBCOM_API void TBCOM_CALL Set_DoubleVRang(uint8_t flag) { core::state().doubleVRang = flag; }
TBCOM_API void TBCOM_CALL Set_DoubleARang(uint8_t flag) { core::state().doubleARang = flag; }
TBCOM_API void TBCOM_CALL Set_DoubleARangBL(int32_t value) { core::state().doubleARangBL = value; }

}  // extern "C"
