# Cross-compiles for 32-bit Windows (the bitness of Outlook 2000-2003) with Debian's mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(BELLNEST_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
