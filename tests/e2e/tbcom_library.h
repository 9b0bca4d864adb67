// The built library loaded the way a host loads it: dlopen() and the exports
// looked up by their C names. Signatures come from the public header, so a
// changed export fails to compile here.
#pragma once

#include <string>

#include "tbcom.h"

namespace tbcom::e2e {

// The exports the end-to-end tests call.
#define TBCOM_E2E_EXPORTS(X)                                                                               \
    X(Error_Clear) X(Error_Start) X(Error_Read) X(Dll_Port_Close) X(getComHandle) X(GetStdConst)          \
    X(SetStdConst) X(StdMeter_Read) X(SetRefClock) X(Clock_Test_StartL) X(Clock_Test_Read)                \
    X(Clock_Test_ReadL) X(Clock_Test_Stop) X(Clock_Error_Start) X(Clock_Error_Read) X(Set_485_Channel)    \
    X(ConstTest_Start) X(Count_Read) X(ConstPulse_Read) X(SetRS485On) X(GetRS485On) X(Open485CommPort)         \
    X(Close485CommPort) X(Set485CommPort) X(Send485Data) X(Recv485Data) X(Recv645Data) X(SetHDLCPara) X(SendHDLCData)       \
    X(RecvHDLCData) X(Read_SerialNumber) X(Set485ByteDealy)

struct TbcomLibrary {
#define TBCOM_E2E_FIELD(name) decltype(&::name) name = nullptr;
    TBCOM_E2E_EXPORTS(TBCOM_E2E_FIELD)
#undef TBCOM_E2E_FIELD

    // Loads the library once per process; nullptr with `error` on failure.
    static TbcomLibrary* load(const std::string& path, std::string& error);
};

}  // namespace tbcom::e2e
