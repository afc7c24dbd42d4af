# Fails when a Windows binary imports a DLL that is not part of Windows: the product must run
# on a bare machine, with the C++ runtime, libgcc and winpthreads linked in statically. With
# MAX_BYTES, also when the file is larger than that. With EXPORTS (a list), also when the DLL
# exports anything but exactly those names: a 32-bit stdcall export keeps its "@n" decoration
# unless the .def file strips it, and Windows then cannot find the entry point by its name.
#   cmake -DOBJDUMP=<x86_64-w64-mingw32-objdump> -DBINARY=<file.exe|file.dll> [-DMAX_BYTES=n]
#         [-DEXPORTS=a;b;...] -P check_imports.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT OBJDUMP OR NOT BINARY)
  message(FATAL_ERROR "usage: cmake -DOBJDUMP=... -DBINARY=... -P check_imports.cmake")
endif()

if(MAX_BYTES)
  file(SIZE ${BINARY} size)
  message(STATUS "${BINARY}: ${size} bytes")
  if(size GREATER MAX_BYTES)
    message(FATAL_ERROR "${BINARY} is ${size} bytes, more than ${MAX_BYTES}")
  endif()
endif()

execute_process(COMMAND ${OBJDUMP} -p ${BINARY} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${BINARY} failed (${result})")
endif()

# The DLLs of Windows itself that this project may use.
set(system_dlls
  kernel32 advapi32 user32 gdi32 shell32 shfolder shlwapi comctl32 comdlg32 ole32 oleaut32
  version msvcrt ucrtbase uxtheme)

string(REGEX MATCHALL "DLL Name: [^\r\n]+" entries "${dump}")
if(NOT entries)
  message(FATAL_ERROR "${BINARY}: no imports found; not a Windows binary?")
endif()
set(foreign "")
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "DLL Name: *" "" dll "${entry}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" name)
  string(REGEX REPLACE "\\.dll$" "" name "${name}")
  message(STATUS "imports ${dll}")
  if(NOT name IN_LIST system_dlls AND NOT name MATCHES "^api-ms-win-")
    list(APPEND foreign "${dll}")
  endif()
endforeach()
if(foreign)
  message(FATAL_ERROR "${BINARY} imports DLLs that are not part of Windows: ${foreign}")
endif()

if(EXPORTS)
  # The export table's name rows: "[ordinal] Name" after "[Ordinal/Name Pointer] Table".
  string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n(([ \t]+\\[[ 0-9]+\\] [^\n]+\n)*)" table "${dump}")
  # (Brackets would split CMake lists oddly: the names go on alone, a line each.)
  string(REGEX REPLACE "[ \t]+\\[[ 0-9]+\\] " "" names "${CMAKE_MATCH_1}")
  string(STRIP "${names}" names)
  string(REPLACE "\n" ";" exported "${names}")
  list(SORT exported)
  set(expected ${EXPORTS})
  list(SORT expected)
  message(STATUS "exports ${exported}")
  if(NOT exported STREQUAL expected)
    message(FATAL_ERROR "${BINARY} exports [${exported}], expected exactly [${expected}]")
  endif()
endif()
