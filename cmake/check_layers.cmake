# Fails when a file of the portable core includes a header of a layer above its own. The
# layers, from the ground up: host; support (with the shared state and the folder key);
# session and reminder_folders; folder_tree; page.
#   cmake -DSOURCE_DIR=<project root> -P check_layers.cmake
cmake_minimum_required(VERSION 3.25)

set(layer_host 0)
set(layer_support 1)
set(layer_session 2)
set(layer_reminder_folders 2)
set(layer_folder_tree 3)
set(layer_page 4)

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp)
set(upward "")
foreach(file IN LISTS files)
  string(REGEX MATCH "^[^/]+" folder "${file}")
  if(NOT DEFINED layer_${folder})
    continue()  # platform/ and com/ implement the seams and may use the whole core
  endif()
  file(STRINGS ${SOURCE_DIR}/src/${file} includes REGEX "^#include \"[^/\"]+/")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"([^/\"]+)/.*" "\\1" target "${line}")
    if(DEFINED layer_${target} AND layer_${target} GREATER layer_${folder})
      list(APPEND upward "src/${file} -> ${target}/")
    endif()
  endforeach()
endforeach()
if(upward)
  list(JOIN upward "\n  " text)
  message(FATAL_ERROR "includes that run from a lower layer to a higher one:\n  ${text}")
endif()
