# Cross build for 32-bit Windows with MinGW-w64 (the shipping tbcom.dll).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TBCOM_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# 64-bit wine cannot run 32-bit programs, so no emulator: the 32-bit build
# makes the DLL only, and the tests run in the 64-bit build.
