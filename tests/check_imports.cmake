# Fails when a PE file imports a DLL that is not part of Windows itself, or
# when it lacks ASLR (with the base relocations that make it work), DEP or
# terminal-server awareness. The files in SHIPPED must also be stripped, name
# their symbol file in a GNU debug link, stay under 600 KB, and be
# large-address-aware (the pictures waiting to be written get 4 GB of address
# space on 64-bit Windows).
cmake_policy(SET CMP0057 NEW)
set(SYSTEM_DLLS
  kernel32.dll user32.dll gdi32.dll shell32.dll shlwapi.dll advapi32.dll comctl32.dll
  comdlg32.dll ole32.dll oleaut32.dll msvcrt.dll ws2_32.dll uxtheme.dll version.dll)
# IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE | NX_COMPAT | TERMINAL_SERVER_AWARE
set(HARDENING 0x8140)
foreach(file IN LISTS FILES)
  execute_process(COMMAND ${OBJDUMP} -p -h ${file} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${file}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
  if(NOT names)
    message(FATAL_ERROR "${file}: no import table found")
  endif()
  foreach(entry IN LISTS names)
    string(REPLACE "DLL Name: " "" dll "${entry}")
    string(STRIP "${dll}" dll)
    string(TOLOWER "${dll}" dll)
    if(NOT dll IN_LIST SYSTEM_DLLS)
      message(FATAL_ERROR "${file} imports ${dll}, which is not a Windows DLL")
    endif()
    message(STATUS "${file}: ${dll}")
  endforeach()

  if(NOT dump MATCHES "DllCharacteristics[ \t]+([0-9a-fA-F]+)")
    message(FATAL_ERROR "${file}: no DllCharacteristics found")
  endif()
  set(characteristics 0x${CMAKE_MATCH_1})
  math(EXPR present "${characteristics} & ${HARDENING}" OUTPUT_FORMAT HEXADECIMAL)
  if(NOT present EQUAL HARDENING)
    message(FATAL_ERROR "${file}: DllCharacteristics ${characteristics} lacks some of ${HARDENING}")
  endif()
  if(NOT dump MATCHES "Entry 5 [0-9a-fA-F]+ ([0-9a-fA-F]+) Base Relocation Directory" OR CMAKE_MATCH_1 MATCHES "^0+$")
    message(FATAL_ERROR "${file}: no base relocations, so it cannot be moved for ASLR")
  endif()
  message(STATUS "${file}: DllCharacteristics ${characteristics}")

  if(file IN_LIST SHIPPED)
    if(dump MATCHES "[ \t]\\.debug_[a-z_]+")
      message(FATAL_ERROR "${file} is not stripped: it has ${CMAKE_MATCH_0}")
    endif()
    if(NOT dump MATCHES "[ \t]\\.gnu_debuglink[ \t]")
      message(FATAL_ERROR "${file} has no debug link to its symbol file")
    endif()
    if(NOT dump MATCHES "\n[ \t]+large address aware\n")
      message(FATAL_ERROR "${file} is not large-address-aware")
    endif()
    file(SIZE ${file} size)
    # A guard against what would bloat it (the standard library's locale
    # machinery alone is 1.3 MB), with room for the program's own growth.
    if(size GREATER_EQUAL 716800)
      message(FATAL_ERROR "${file} is ${size} bytes, not under 700 KB")
    endif()
    message(STATUS "${file}: stripped, ${size} bytes")
  endif()
endforeach()
