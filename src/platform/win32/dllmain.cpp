// The DLL's entry point and the four in-process component-server entry
// points. The library registers no classes: they exist because hosts and
// installers expect them of a Windows DLL. The module-definition file
// exports them. TBCOM_TRACE=path in the environment starts the protocol trace
// into that file at loading.
#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include <string>

#include "core/lifecycle.h"
#include "core/trace.h"

namespace {

// The trace file named by TBCOM_TRACE, opened when the variable is set and
// not empty. Kernel calls and a file opening only, as the loader lock allows.
void OpenTraceFromEnvironment() {
    char buf[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableA("TBCOM_TRACE", buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return;  // unset, empty or too long: no trace
    try {
        tbcom::trace::OpenFile(std::string(buf, n));
    } catch (...) {
    }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            DisableThreadLibraryCalls(instance);
            tbcom::core::processAttach();
            OpenTraceFromEnvironment();
            break;
        case DLL_PROCESS_DETACH:
            tbcom::core::processDetach();
            tbcom::trace::Close();
            break;
        default:
            break;
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* out) {
    if (out) *out = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

// No component object is ever handed out, so nothing a component client
// holds keeps the library alive; hosts that loaded it with LoadLibrary keep
// their own reference.
STDAPI DllCanUnloadNow(void) { return S_OK; }

// Nothing to write to or remove from the registry.
STDAPI DllRegisterServer(void) { return S_OK; }
STDAPI DllUnregisterServer(void) { return S_OK; }
