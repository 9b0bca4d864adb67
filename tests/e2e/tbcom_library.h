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

    // Loads the library once per process; nullptr with `error` on failure.
    static TbcomLibrary* load(const std::string& path, std::string& error);
};

}  // namespace tbcom::e2e
