// The exports tbdemo calls, looked up in the library it was given the way a
// host looks them up: by their C names. The types come from the public
// header, so a changed export fails to compile here.
#pragma once

#include <dlfcn.h>

#include <cstdio>

#include "tbcom.h"

namespace tbdemo {

struct Library {
    decltype(&::Error_Clear) Error_Clear = nullptr;
    decltype(&::Error_Start) Error_Start = nullptr;
    decltype(&::Error_Read) Error_Read = nullptr;
    decltype(&::Dll_Port_Close) Dll_Port_Close = nullptr;
    decltype(&::StdMeter_Read) StdMeter_Read = nullptr;
    decltype(&::SetRefClock) SetRefClock = nullptr;
    decltype(&::Clock_Test_StartL) Clock_Test_StartL = nullptr;
    decltype(&::Clock_Test_Read) Clock_Test_Read = nullptr;
    decltype(&::Clock_Test_ReadL) Clock_Test_ReadL = nullptr;
    decltype(&::Clock_Test_Stop) Clock_Test_Stop = nullptr;
    decltype(&::Set_485_Channel) Set_485_Channel = nullptr;
    decltype(&::ConstTest_Start) ConstTest_Start = nullptr;
    decltype(&::Count_Read) Count_Read = nullptr;
    decltype(&::ConstPulse_Read) ConstPulse_Read = nullptr;
    decltype(&::Adjust_UI) Adjust_UI = nullptr;
    decltype(&::Power_Off) Power_Off = nullptr;
    decltype(&::SetStdConst) SetStdConst = nullptr;

    // False (with the missing names on stderr) when an export is absent.
    bool load(void* lib) {
        bool ok = true;
        auto get = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
            if (!fn) std::fprintf(stderr, "tbdemo: the library has no %s\n", name);
            ok = ok && fn;
        };
        get(Error_Clear, "Error_Clear");
        get(Error_Start, "Error_Start");
        get(Error_Read, "Error_Read");
        get(Dll_Port_Close, "Dll_Port_Close");
        get(StdMeter_Read, "StdMeter_Read");
        get(SetRefClock, "SetRefClock");
        get(Clock_Test_StartL, "Clock_Test_StartL");
        get(Clock_Test_Read, "Clock_Test_Read");
        get(Clock_Test_ReadL, "Clock_Test_ReadL");
        get(Clock_Test_Stop, "Clock_Test_Stop");
        get(Set_485_Channel, "Set_485_Channel");
        get(ConstTest_Start, "ConstTest_Start");
        get(Count_Read, "Count_Read");
        get(ConstPulse_Read, "ConstPulse_Read");
        get(Adjust_UI, "Adjust_UI");
        get(Power_Off, "Power_Off");
        get(SetStdConst, "SetStdConst");
        return ok;
    }
};

}  // namespace tbdemo
