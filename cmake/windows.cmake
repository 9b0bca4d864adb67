# Windows build of tbcom.dll (MinGW-w64): no "lib" prefix, no MinGW runtime
# DLLs needed, the export table fixed by a module-definition file made from
# the public header, a version resource, and an import library plus a
# tbcom.def beside the DLL for other toolchains.
enable_language(RC)

set_target_properties(tbcom PROPERTIES
  PREFIX ""
  OUTPUT_NAME tbcom
  IMPORT_PREFIX "lib"
  IMPORT_SUFFIX ".dll.a")
target_link_options(tbcom PRIVATE -static -static-libgcc -static-libstdc++ $<$<CONFIG:Release,MinSizeRel>:-s>)
# timeGetTime lives in winmm; the tests link the same objects.
target_link_libraries(tbcom_objects PUBLIC winmm)
# The .def below is the only export list: without it dllexport would add
# the decorated stdcall names (Name@N) beside the plain ones on i686.
target_compile_definitions(tbcom_objects PUBLIC TBCOM_EXPORTS_BY_DEF=1)

set(TBCOM_COM_ENTRY_POINTS
  "DllGetClassObject 12" "DllCanUnloadNow 0" "DllRegisterServer 0" "DllUnregisterServer 0")

# Linker input. On i686 every entry reads Name=Name@N: the linker only finds
# the stdcall symbol when N is the real argument size, so a prototype whose
# size the header parser got wrong fails the link instead of shipping.
# --kill-at is not used for the same reason.
file(READ ${CMAKE_BINARY_DIR}/tbcom.argsizes tbcom_argsizes)
string(REGEX REPLACE "\n$" "" tbcom_argsizes "${tbcom_argsizes}")
string(REPLACE "\n" ";" tbcom_argsizes "${tbcom_argsizes}")
set(tbcom_link_def "LIBRARY tbcom.dll\nEXPORTS\n")
set(tbcom_ship_def "LIBRARY tbcom.dll\nEXPORTS\n")
foreach(entry IN LISTS tbcom_argsizes TBCOM_COM_ENTRY_POINTS)
  string(REGEX MATCH "^([A-Za-z_0-9]+) ([0-9]+)$" _ "${entry}")
  set(n ${CMAKE_MATCH_1})
  set(sz ${CMAKE_MATCH_2})
  list(FIND TBCOM_COM_ENTRY_POINTS "${entry}" is_com)
  if(is_com GREATER -1)
    set(private " PRIVATE")
  else()
    set(private "")
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    string(APPEND tbcom_link_def "  ${n}=${n}@${sz}${private}\n")
    # For lib.exe and dlltool -k: the decorated name makes the import
    # library resolve __stdcall callers (_Name@N) to the plain export Name.
    if(is_com EQUAL -1)
      string(APPEND tbcom_ship_def "  ${n}@${sz}\n")
    endif()
  else()
    string(APPEND tbcom_link_def "  ${n}${private}\n")
    if(is_com EQUAL -1)
      string(APPEND tbcom_ship_def "  ${n}\n")
    endif()
  endif()
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/tbcom-link.def "${tbcom_link_def}")
file(WRITE ${CMAKE_BINARY_DIR}/tbcom-ship.def "${tbcom_ship_def}")
target_sources(tbcom PRIVATE ${CMAKE_BINARY_DIR}/tbcom-link.def)
set_property(TARGET tbcom APPEND PROPERTY LINK_DEPENDS ${CMAKE_BINARY_DIR}/tbcom-link.def)
add_custom_command(TARGET tbcom POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_BINARY_DIR}/tbcom-ship.def
          $<TARGET_FILE_DIR:tbcom>/tbcom.def
  VERBATIM)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # The linker's own import library names the symbols _imp__Name, which a C
  # caller of the __stdcall prototypes (_imp__Name@N) cannot find. Rebuild it
  # from the shipped .def the way other toolchains do: symbols keep @N, the
  # imported names are the plain export names.
  if(CMAKE_DLLTOOL)
    set(TBCOM_DLLTOOL ${CMAKE_DLLTOOL})
  else()
    find_program(TBCOM_DLLTOOL NAMES ${TBCOM_MINGW_PREFIX}-dlltool i686-w64-mingw32-dlltool dlltool REQUIRED)
  endif()
  add_custom_command(TARGET tbcom POST_BUILD
    COMMAND ${TBCOM_DLLTOOL} -k -d ${CMAKE_BINARY_DIR}/tbcom-ship.def -D tbcom.dll
            -l $<TARGET_LINKER_FILE:tbcom>
    VERBATIM)
endif()

# Version resource.
configure_file(${CMAKE_SOURCE_DIR}/cmake/tbcom_version.h.in ${CMAKE_BINARY_DIR}/tbcom_version.h @ONLY)
target_sources(tbcom PRIVATE ${CMAKE_SOURCE_DIR}/src/platform/win32/tbcom.rc)
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/platform/win32/tbcom.rc PROPERTIES
  INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}
  OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/tbcom_version.h)

# 64-bit wine cannot run the 32-bit tests; the 32-bit build makes the DLL.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  message(STATUS "tbcom: no emulator for ${CMAKE_SYSTEM_PROCESSOR} Windows programs; tests not built")
  set(TBCOM_BUILD_TESTS OFF)
  set(TBCOM_BUILD_BENCH OFF)
endif()
