# The part of the two mingw-w64 toolchain files that is the same for both bitnesses; each sets
# CMAKE_SYSTEM_PROCESSOR and BELLNEST_MINGW_TRIPLE, then includes this. The posix-thread
# variant gives std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${BELLNEST_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BELLNEST_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BELLNEST_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${BELLNEST_MINGW_TRIPLE}-objdump)

# Headers and libraries come from the mingw sysroot only; programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${BELLNEST_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
