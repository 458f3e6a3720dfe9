# The layer check: every #include in src/ and tests/ under ROOT must point into the including
# file's own folder or into a folder its layer may include (cmake/layers.cmake); tests of a
# folder count as that folder, files at the top of tests/ as runtime. Each offending include is
# reported as FILE:LINE and the check fails.
#
# Includes are resolved the way the compiler resolves them: a quoted one first beside the
# including file, so that "../graphics/camera.hpp" or "qt/backend.hpp" is judged by the folder it
# lands in, then from the include roots, which mirror src/. Includes of folders that are not in
# src/ (the standard library, Qt, GoogleTest) are none of the check's business.
#
#   cmake -DROOT=<source tree> -P cmake/check_layers.cmake
#   cmake -DROOT=<tree> -DEXPECT=<file> -P cmake/check_layers.cmake
# The second form passes when the findings are exactly the lines of <file>, and fails otherwise:
# that is how the check itself is tested, on a tree of deliberate faults.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/layers.cmake)

if(NOT ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<source tree> [-DEXPECT=<file>] -P check_layers.cmake")
endif()

# The layer of a file given relative to ROOT: "program", a folder of src/ (whether or not the
# table knows it), "runtime" for the tests' shared files, or "" outside src/ and tests/.
function(layer_of path out)
  foreach(pattern ${KOLVAR_PROGRAM_FILES})
    if(path MATCHES "${pattern}")
      set(${out} program PARENT_SCOPE)
      return()
    endif()
  endforeach()
  get_filename_component(dir "${path}" DIRECTORY)
  if(dir MATCHES "^(src|tests)/(.+)$")
    set(${out} "${CMAKE_MATCH_2}" PARENT_SCOPE)
  elseif(dir STREQUAL "tests")
    set(${out} runtime PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

function(is_layer layer out)
  if(layer STREQUAL "program" OR layer IN_LIST KOLVAR_LAYERS)
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

file(GLOB_RECURSE files RELATIVE ${ROOT} ${ROOT}/src/* ${ROOT}/tests/*)
list(FILTER files INCLUDE REGEX "\\.(c|cc|cpp|cxx|h|hh|hpp|hxx|inc|in)$")
list(FILTER files EXCLUDE REGEX "^tests/data/")
list(SORT files)

set(findings)
foreach(file ${files})
  layer_of("${file}" layer)
  get_filename_component(dir "${file}" DIRECTORY)
  is_layer("${layer}" known)
  if(NOT known)
    list(APPEND findings "${file}:1: ${dir} is not a folder of the layer table (cmake/layers.cmake)")
    continue()
  endif()
  set(allowed ${KOLVAR_LAYER_DEPS_${layer}})

  file(READ ${ROOT}/${file} content)
  # Characters that would split or escape CMake list items; no include line needs them.
  foreach(character ";" "[" "]" "\\")
    string(REPLACE "${character}" "" content "${content}")
  endforeach()
  string(REGEX MATCHALL "(^|\n)[ \t]*#[ \t]*include[ \t]*[\"<][^\">\n]*[\">]" includes "${content}")
  set(cursor 0)
  foreach(include ${includes})
    # Where this include stands, for its line number.
    string(SUBSTRING "${content}" ${cursor} -1 rest)
    string(FIND "${rest}" "${include}" at)
    math(EXPR at "${cursor} + ${at}")
    string(LENGTH "${include}" length)
    math(EXPR cursor "${at} + ${length}")

    string(REGEX MATCH "include[ \t]*([\"<])([^\">]*)" _ "${include}")
    set(quoted "${CMAKE_MATCH_1}")
    set(path "${CMAKE_MATCH_2}")
    set(target "")
    if(quoted STREQUAL "\"")
      cmake_path(SET beside NORMALIZE "${dir}/${path}")
      if(path MATCHES "(^|/)\\.\\.?/" OR EXISTS ${ROOT}/${beside})
        set(target "${beside}")
      endif()
    endif()
    if(NOT target)
      string(REGEX MATCH "^[^/]+" top "${path}")
      if(NOT path MATCHES "/" OR NOT (IS_DIRECTORY ${ROOT}/src/${top} OR top IN_LIST KOLVAR_LAYERS))
        continue()  # not one of the program's folders
      endif()
      set(target "src/${path}")
    endif()

    get_filename_component(target_dir "${target}" DIRECTORY)
    if(target_dir STREQUAL dir)
      continue()  # the folder's own files
    endif()
    layer_of("${target}" target_layer)
    is_layer("${target_layer}" target_known)
    set(fault "")
    if(NOT target_layer STREQUAL "" AND NOT target_known)
      set(fault "${target_dir} is not a folder of the layer table (cmake/layers.cmake)")
    elseif(target_layer STREQUAL "")
      set(fault "points outside src/ and tests/")
    elseif(file MATCHES "^src/" AND target MATCHES "^tests/")
      set(fault "the program may not include the tests")
    elseif(NOT target_layer STREQUAL layer AND NOT target_layer IN_LIST allowed)
      string(REPLACE ";" " " below "${allowed}")
      if(NOT below)
        set(below "nothing")
      endif()
      set(fault "${layer} may not include ${target_layer} (it may include ${below})")
    endif()
    if(fault)
      string(SUBSTRING "${content}" 0 ${at} before)
      string(REGEX MATCHALL "\n" newlines "${before}")
      list(LENGTH newlines line)
      if(include MATCHES "^\n")
        math(EXPR line "${line} + 2")
      else()
        math(EXPR line "${line} + 1")
      endif()
      string(STRIP "${include}" text)
      list(APPEND findings "${file}:${line}: ${text}: ${fault}")
    endif()
  endforeach()
endforeach()

if(DEFINED EXPECT)
  file(STRINGS ${EXPECT} expected)
  if(findings STREQUAL expected)
    list(LENGTH findings count)
    message(STATUS "The layer check found exactly the ${count} expected faults.")
    return()
  endif()
  string(REPLACE ";" "\n" found "${findings}")
  string(REPLACE ";" "\n" wanted "${expected}")
  message(FATAL_ERROR "The layer check found\n${found}\ninstead of\n${wanted}")
endif()

if(findings)
  foreach(finding ${findings})
    message(NOTICE "${finding}")
  endforeach()
  list(LENGTH findings count)
  message(FATAL_ERROR "${count} includes point outside the layers (see cmake/layers.cmake).")
endif()
list(LENGTH files count)
message(STATUS "The includes of ${count} files point down the layers.")
