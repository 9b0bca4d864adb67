// The built library loaded the way a host loads it: dlopen() and the exports
// looked up by their C names. Signatures come from the public header, so a
// changed export fails to compile here.
#pragma once

#include <string>

#include "tbcom.h"

namespace tbcom::e2e {

struct TbcomLibrary {
    decltype(&::Error_Clear) Error_Clear = nullptr;
    decltype(&::Error_Start) Error_Start = nullptr;
    decltype(&::Error_Read) Error_Read = nullptr;
    decltype(&::Dll_Port_Close) Dll_Port_Close = nullptr;
    decltype(&::getComHandle) getComHandle = nullptr;
    decltype(&::GetStdConst) GetStdConst = nullptr;
    decltype(&::SetStdConst) SetStdConst = nullptr;
    // Standard meter.
    decltype(&::StdMeter_Read) StdMeter_Read = nullptr;
    // Clock tests.
    decltype(&::SetRefClock) SetRefClock = nullptr;
    decltype(&::Clock_Test_Start) Clock_Test_Start = nullptr;
    decltype(&::Clock_Test_StartL) Clock_Test_StartL = nullptr;
    decltype(&::Clock_Test_Read) Clock_Test_Read = nullptr;
    decltype(&::Clock_Test_ReadL) Clock_Test_ReadL = nullptr;
    decltype(&::Clock_Test_Stop) Clock_Test_Stop = nullptr;
    decltype(&::Clock_Error_Start) Clock_Error_Start = nullptr;
    decltype(&::Clock_Error_Read) Clock_Error_Read = nullptr;
    // Position commands.
    decltype(&::Set_485_Channel) Set_485_Channel = nullptr;
    decltype(&::ConstTest_Start) ConstTest_Start = nullptr;
    decltype(&::Count_Read) Count_Read = nullptr;
    decltype(&::ConstPulse_Read) ConstPulse_Read = nullptr;
    // Function boards.
    decltype(&::SetRS485On) SetRS485On = nullptr;
    decltype(&::GetRS485On) GetRS485On = nullptr;
    decltype(&::SetDCOutType) SetDCOutType = nullptr;
    decltype(&::GetDCOutType) GetDCOutType = nullptr;
    decltype(&::SetPWMPara) SetPWMPara = nullptr;
    decltype(&::SetPWMState) SetPWMState = nullptr;
    decltype(&::SetCheckDCState) SetCheckDCState = nullptr;
    decltype(&::GetDCValue) GetDCValue = nullptr;

    // Loads the library once per process; nullptr with `error` on failure.
    static TbcomLibrary* load(const std::string& path, std::string& error);
};

}  // namespace tbcom::e2e
