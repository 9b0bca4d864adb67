# Cross build for 64-bit Windows with MinGW-w64; the tests of this build run
# under wine64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TBCOM_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

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
