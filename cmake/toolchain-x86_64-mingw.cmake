# Cross build for 64-bit Windows with MinGW-w64; the tests of this build run
# under wine64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TBCOM_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TBCOM_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TBCOM_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TBCOM_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${TBCOM_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${TBCOM_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs (and test discovery) run through wine64.
find_program(TBCOM_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT TBCOM_WINE64)
  find_program(TBCOM_WINE64 NAMES wine64)
endif()
# A private prefix per build directory (TBCOM_WINEPREFIX overrides it), so
# test runs never touch the user's own wine setup.
if(TBCOM_WINE64)
  if(DEFINED ENV{TBCOM_WINEPREFIX})
    set(TBCOM_WINEPREFIX $ENV{TBCOM_WINEPREFIX})
  else()
    set(TBCOM_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR
      /usr/bin/env WINEPREFIX=${TBCOM_WINEPREFIX} WINEDEBUG=-all ${TBCOM_WINE64})
endif()
