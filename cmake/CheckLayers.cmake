# Fails when an include runs against the layer order of src/:
#
#   platform (the interfaces) → core → expr, config → graphics → sound → text
#   → select → save → script → headless → app
#
# A file may include its own folder and any folder before its own; folders of
# the same rank (expr and config) do not include each other. The platform back
# ends (platform/<name>/) may include the interfaces, core and the picture
# type, nothing else. Run as: cmake -DSOURCE_DIR=<src> [-DSTAMP=<file>] -P CheckLayers.cmake
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "CheckLayers: SOURCE_DIR is not set")
endif()

get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)

set(rank_platform 0)
set(rank_core 1)
set(rank_expr 2)
set(rank_config 2)
set(rank_graphics 3)
set(rank_sound 4)
set(rank_text 5)
set(rank_select 6)
set(rank_save 7)
set(rank_script 8)
set(rank_headless 9)
set(rank_app 10)

# The layer of a path below src/: its first folder, or "backend" for a folder
# inside platform/.
function(layer_of path out)
  string(REGEX MATCH "^[^/]+" first "${path}")
  if(first STREQUAL "platform" AND path MATCHES "^platform/[^/]+/")
    set(${out} "backend" PARENT_SCOPE)
  else()
    set(${out} "${first}" PARENT_SCOPE)
  endif()
endfunction()

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
if(NOT sources)
  message(FATAL_ERROR "CheckLayers: no sources under ${SOURCE_DIR}")
endif()
set(faults "")
foreach(source IN LISTS sources)
  layer_of("${source}" from)
  file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^#include \"[^\"]+/[^\"]+\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" target "${line}")
    layer_of("${target}" to)
    if(NOT DEFINED rank_${to} AND NOT to STREQUAL "backend")
      continue()  # not one of ours (a library header)
    endif()
    set(ok FALSE)
    if(from STREQUAL "backend")
      if(to STREQUAL "platform" OR to STREQUAL "core" OR target STREQUAL "graphics/Picture.h")
        set(ok TRUE)
      endif()
      string(REGEX MATCH "^platform/[^/]+/" own "${source}")
      if(target MATCHES "^${own}")
        set(ok TRUE)
      endif()
    elseif(to STREQUAL "backend")
      # Only the hosts choose a back end.
      if(from STREQUAL "headless" OR from STREQUAL "app")
        set(ok TRUE)
      endif()
    elseif(from STREQUAL to)
      set(ok TRUE)
    elseif(DEFINED rank_${from} AND rank_${to} LESS rank_${from})
      set(ok TRUE)
    endif()
    if(NOT ok)
      string(APPEND faults "  src/${source}: ${from} must not include ${target}\n")
    endif()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Includes against the layer order:\n${faults}")
endif()
if(STAMP)
  file(TOUCH "${STAMP}")
endif()
