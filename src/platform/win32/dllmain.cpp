// The DLL's entry point and the four in-process component-server entry
// points. The library registers no classes: they exist because hosts and
// installers expect them of a Windows DLL. The module-definition file
// exports them.
#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include "core/lifecycle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            DisableThreadLibraryCalls(instance);
            tbcom::core::processAttach();
            break;
        case DLL_PROCESS_DETACH:
            tbcom::core::processDetach();
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
