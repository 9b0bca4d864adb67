// Exports of the frame-and-state family: the bench port handle and the
// bench-wide setters and getters. None touches a device.
#include "api/host_io.h"
#include "core/state.h"
#include "source/output_record.h"
#include "transport/serial_port.h"

using tbcom::api::GuardVoid;
namespace core = tbcom::core;

extern "C" {

void tbcom_impl_Dll_Port_Close(void) {
    GuardVoid([] {
        auto& s = core::state();
        if (s.benchPort != 0) s.benchPort = tbcom::transport::CloseCommPort(s.benchPort);
    });
}

tbcom_handle tbcom_impl_getComHandle(void) { return core::state().benchPort; }
void tbcom_impl_SetComHandle(tbcom_handle handle) {
    core::state().benchPort = handle;
    tbcom::transport::Reinstate(handle);
}
double tbcom_impl_getCTRate(void) { return core::state().ctRate; }
double tbcom_impl_GetStdConst(void) { return core::state().stdConst; }
void tbcom_impl_SetStdConst(double value) { core::state().stdConst = value; }
void tbcom_impl_SetDMAddr(int32_t address) { core::state().dmAddr = address; }
void tbcom_impl_SetStdFreq(double kilohertz) { core::state().stdFreq = kilohertz * 1000; }
void tbcom_impl_Set_ReviseMode(int32_t mode) { core::state().reviseMode = mode; }
void tbcom_impl_Set_ReviseTime(double seconds) { core::state().reviseTime = seconds; }
void tbcom_impl_Set_NoRevise(uint8_t flag) { core::state().noRevise = flag; }
void tbcom_impl_Set_BackRate(uint8_t flag) { core::state().backRate = flag; }

void tbcom_impl_Set_SameRange(uint8_t value, uint8_t which) {
    if (which != 0) core::state().sameRangeU = value;
    else core::state().sameRangeI = value;
}

void tbcom_impl_Set_WaveType(int32_t waveType) { tbcom::source::sourceOutput().waveType = waveType; }
void tbcom_impl_Set_Frequancy(double hertz) { tbcom::source::sourceOutput().frequency = hertz; }
void tbcom_impl_Set_OutPutMode(uint8_t mode) { core::state().outPutModeRequest = mode; }
void tbcom_impl_Set_DoubleVRang(uint8_t flag) { core::state().doubleVRang = flag; }
void tbcom_impl_Set_DoubleARang(uint8_t flag) { core::state().doubleARang = flag; }
void tbcom_impl_Set_DoubleARangBL(int32_t value) { core::state().doubleARangBL = value; }

}  // extern "C"
