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
#define TBCOM_E2E_RESOLVE(name) ok &= resolve(h, #name, lib.name, error);
    TBCOM_E2E_EXPORTS(TBCOM_E2E_RESOLVE)
#undef TBCOM_E2E_RESOLVE
    if (!ok) {
        dlclose(h);
        return nullptr;
    }
    handle = h;
    return &lib;
}

}  // namespace tbcom::e2e
