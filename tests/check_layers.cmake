cmake_policy(SET CMP0057 NEW)
# Fails when a source file under SRC includes from a layer it may not use.
# Each folder is a layer and may include only the layers listed for it (or,
# where a layer may use one file of another, that file's path); platform/
# and framework/ stand beside the layers and serve them all. A folder inside
# another (platform/win32, ui/core) is a layer of its own: an include is
# judged by its whole path, so that platform/win32/ is closed to everyone
# but platform/win32 itself and app/.
set(ALLOWED_platform platform)
set(ALLOWED_platform/win32 platform/win32 platform)
set(ALLOWED_framework framework)
set(ALLOWED_common common platform)
set(ALLOWED_capture capture common platform)
set(ALLOWED_settings settings common platform)
set(ALLOWED_dialogs dialogs settings common platform framework)
# The portable part of the window code, built into tarnwick_core: no Win32
# dialogs, no framework, no real platform.
set(ALLOWED_ui/core ui/core dialogs/boxes.h capture settings common platform)
set(ALLOWED_ui ui ui/core dialogs capture settings common platform framework)
set(ALLOWED_app app ui ui/core dialogs capture settings common platform platform/win32 framework)

# The layer a path below SRC lies in: a folder that is a layer inside
# another, else its first folder.
function(layer_of path out)
  set(${out} "" PARENT_SCOPE)
  if(path MATCHES "^(platform/win32|ui/core)/")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  elseif(path MATCHES "^([^/]+)/")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  endif()
endfunction()

file(GLOB_RECURSE sources RELATIVE ${SRC} ${SRC}/*.h ${SRC}/*.cpp)
set(faults "")
foreach(source IN LISTS sources)
  layer_of("${source}" layer)
  if(NOT DEFINED ALLOWED_${layer})
    list(APPEND faults "${source}: folder ${layer} is no known layer")
    continue()
  endif()
  file(STRINGS ${SRC}/${source} includes REGEX "^#include \"[a-z_0-9]+/")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" path "${line}")
    layer_of("${path}" target)
    if(NOT target IN_LIST ALLOWED_${layer} AND NOT path IN_LIST ALLOWED_${layer})
      list(APPEND faults "${source}: ${line}")
    endif()
  endforeach()
endforeach()
if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "includes that run up or across the layers:\n  ${text}")
endif()
list(LENGTH sources count)
message(STATUS "${count} sources, every include within its layer or below")
