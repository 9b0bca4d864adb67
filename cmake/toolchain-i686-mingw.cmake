# Cross build for 32-bit Windows with MinGW-w64 (the shipping tbcom.dll).
# The -posix compilers provide std::thread/std::mutex, which GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TBCOM_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TBCOM_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TBCOM_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TBCOM_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${TBCOM_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${TBCOM_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# 64-bit wine cannot run 32-bit programs, so no emulator: the 32-bit build
# makes the DLL only, and the tests run in the 64-bit build.
