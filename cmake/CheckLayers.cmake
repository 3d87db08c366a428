# Fails when an include runs against the layer order of src/:
#
#   platform (the interfaces) → core → expr, config → graphics → sound → text
#   → select → save → script → backends → headless → app
#
# A file may include its own folder and any folder before its own; folders of
# the same rank (expr and config) do not include each other. So the engine
# never reaches a back end, and only the hosts (headless, app) choose one.
#
# The programs around the engine are checked too: tools/, fuzz/ and bench/
# stand where the headless host stands (anything but the Qt shell, so they
# build without Qt), and bench/gui/ where the shell stands.
#
# Every spelling of an include counts: "a/b.h", <a/b.h>, "../a/b.h" and
# "#  include". Run as:
#   cmake -DROOT=<checkout> [-DSTAMP=<file>] -P CheckLayers.cmake
if(NOT ROOT)
  message(FATAL_ERROR "CheckLayers: ROOT is not set")
endif()
get_filename_component(ROOT "${ROOT}" ABSOLUTE)

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
set(rank_backends 9)
set(rank_headless 10)
set(rank_app 11)

# The layer a file of the checkout stands in: for src/, its first folder
# below src/; for the programs around the engine, the host they stand beside.
function(layer_of_file relative out)
  if(relative MATCHES "^src/([^/]+)/")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  elseif(relative MATCHES "^bench/gui/")
    set(${out} "app" PARENT_SCOPE)
  elseif(relative MATCHES "^(tools|fuzz|bench)/")
    set(${out} "headless" PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

set(sources "")
foreach(top src tools fuzz bench)
  if(IS_DIRECTORY "${ROOT}/${top}")
    file(GLOB_RECURSE found RELATIVE "${ROOT}" "${ROOT}/${top}/*.h" "${ROOT}/${top}/*.cpp")
    list(APPEND sources ${found})
  endif()
endforeach()
if(NOT sources)
  message(FATAL_ERROR "CheckLayers: no sources under ${ROOT}")
endif()

set(include_line "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
set(faults "")
foreach(source IN LISTS sources)
  layer_of_file("${source}" from)
  if(from STREQUAL "")
    continue()
  endif()
  string(REGEX REPLACE "^src/([^/]+)/.*" "\\1" who "${source}")
  string(REGEX REPLACE "^(tools|fuzz|bench)/.*" "\\1" who "${who}")
  get_filename_component(folder "${ROOT}/${source}" DIRECTORY)
  file(STRINGS "${ROOT}/${source}" includes REGEX "${include_line}")
  foreach(line IN LISTS includes)
    string(REGEX MATCH "${include_line}" line "${line}")
    set(written "${CMAKE_MATCH_1}")
    # Where the include leads: a path relative to the including file when it
    # is spelled so or such a file exists, else a path below src/ (the one
    # include folder of ours).
    if(written MATCHES "^\\.\\.?/" OR EXISTS "${folder}/${written}")
      cmake_path(SET target NORMALIZE "${folder}/${written}")
    else()
      set(target "${ROOT}/src/${written}")
    endif()
    file(RELATIVE_PATH target "${ROOT}/src" "${target}")
    if(NOT target MATCHES "^([^./][^/]*)/")
      continue()  # outside src/: a file of the program's own, or a library
    endif()
    set(to "${CMAKE_MATCH_1}")
    if(NOT DEFINED rank_${to})
      continue()  # a library header such as <QtCore/QString>
    endif()
    if(NOT from STREQUAL to AND NOT rank_${to} LESS rank_${from})
      string(APPEND faults "  ${source}: ${who} must not include ${target}\n")
    endif()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Includes against the layer order:\n${faults}")
endif()
if(STAMP)
  file(TOUCH "${STAMP}")
endif()
