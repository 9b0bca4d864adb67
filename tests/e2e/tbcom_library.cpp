#include "tbcom_library.h"

#include <dlfcn.h>

namespace tbcom::e2e {

namespace {

template <class F>
bool resolve(void* handle, const char* name, F& fn, std::string& error) {
    fn = reinterpret_cast<F>(dlsym(handle, name));
    if (!fn) error += std::string(error.empty() ? "" : ", ") + "missing export " + name;
    return fn != nullptr;
}

}  // namespace

TbcomLibrary* TbcomLibrary::load(const std::string& path, std::string& error) {
    static TbcomLibrary lib;
    static void* handle = nullptr;
    if (handle) return &lib;
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        const char* why = dlerror();
        error = why ? why : "dlopen failed";
        return nullptr;
    }
    bool ok = true;
    ok &= resolve(h, "Error_Clear", lib.Error_Clear, error);
    ok &= resolve(h, "Error_Start", lib.Error_Start, error);
    ok &= resolve(h, "Error_Read", lib.Error_Read, error);
    ok &= resolve(h, "Dll_Port_Close", lib.Dll_Port_Close, error);
    ok &= resolve(h, "getComHandle", lib.getComHandle, error);
    ok &= resolve(h, "GetStdConst", lib.GetStdConst, error);
    ok &= resolve(h, "SetStdConst", lib.SetStdConst, error);
    ok &= resolve(h, "StdMeter_Read", lib.StdMeter_Read, error);
    ok &= resolve(h, "SetRefClock", lib.SetRefClock, error);
    ok &= resolve(h, "Clock_Test_Start", lib.Clock_Test_Start, error);
    ok &= resolve(h, "Clock_Test_StartL", lib.Clock_Test_StartL, error);
    ok &= resolve(h, "Clock_Test_Read", lib.Clock_Test_Read, error);
    ok &= resolve(h, "Clock_Test_ReadL", lib.Clock_Test_ReadL, error);
    ok &= resolve(h, "Clock_Test_Stop", lib.Clock_Test_Stop, error);
    ok &= resolve(h, "Clock_Error_Start", lib.Clock_Error_Start, error);
    ok &= resolve(h, "Clock_Error_Read", lib.Clock_Error_Read, error);
    ok &= resolve(h, "Set_485_Channel", lib.Set_485_Channel, error);
    ok &= resolve(h, "ConstTest_Start", lib.ConstTest_Start, error);
    ok &= resolve(h, "Count_Read", lib.Count_Read, error);
    ok &= resolve(h, "ConstPulse_Read", lib.ConstPulse_Read, error);
    ok &= resolve(h, "SetRS485On", lib.SetRS485On, error);
    ok &= resolve(h, "GetRS485On", lib.GetRS485On, error);
    ok &= resolve(h, "SetDCOutType", lib.SetDCOutType, error);
    ok &= resolve(h, "GetDCOutType", lib.GetDCOutType, error);
    ok &= resolve(h, "SetPWMPara", lib.SetPWMPara, error);
    ok &= resolve(h, "SetPWMState", lib.SetPWMState, error);
    ok &= resolve(h, "SetCheckDCState", lib.SetCheckDCState, error);
    ok &= resolve(h, "GetDCValue", lib.GetDCValue, error);
    if (!ok) {
        dlclose(h);
        return nullptr;
    }
    handle = h;
    return &lib;
}

}  // namespace tbcom::e2e
