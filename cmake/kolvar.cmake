include(${CMAKE_CURRENT_LIST_DIR}/layers.cmake)

# The library target of a source folder: kolvar_ and the folder's path, / becoming _.
function(kolvar_target_of folder out)
  string(REPLACE "/" "_" name "kolvar_${folder}")
  set(${out} ${name} PARENT_SCOPE)
endfunction()

# Gives `target`, the library of the current source folder, its place in the layers: it exposes
# the folder's own headers, and only those, as "folder/file.hpp" through a generated include root
# (one link per header, so that graphics does not expose graphics/qt), and it links the libraries
# of the folders the layer table allows. Both are PUBLIC, so whatever links a library sees its
# headers and those below it. `deps` may name further libraries from outside; a kolvar library
# there must be one the table allows.
function(kolvar_layer_target target deps)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  if(NOT folder IN_LIST KOLVAR_LAYERS)
    message(FATAL_ERROR "src/${folder} has no line in cmake/layers.cmake")
  endif()
  set(allowed)
  foreach(dep ${KOLVAR_LAYER_DEPS_${folder}})
    kolvar_target_of(${dep} dep_target)
    list(APPEND allowed ${dep_target})
  endforeach()
  foreach(dep ${deps})
    if(dep MATCHES "^kolvar_" AND NOT dep IN_LIST allowed)
      message(FATAL_ERROR "src/${folder} may not link ${dep}: it is not below it in cmake/layers.cmake")
    endif()
  endforeach()
  set(links ${deps})
  foreach(dep_target ${allowed})
    if(TARGET ${dep_target})  # folders come in table order, so those below already exist
      list(APPEND links ${dep_target})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES links)

  set(root ${CMAKE_BINARY_DIR}/include/${target})
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.hpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  file(MAKE_DIRECTORY ${root}/${folder})
  file(GLOB_RECURSE present LIST_DIRECTORIES false ${root}/*)
  foreach(link ${present})  # headers that were removed or renamed
    get_filename_component(name ${link} NAME)
    if(NOT ${CMAKE_CURRENT_SOURCE_DIR}/${name} IN_LIST headers OR NOT link STREQUAL ${root}/${folder}/${name})
      file(REMOVE ${link})
    endif()
  endforeach()
  foreach(header ${headers})
    get_filename_component(name ${header} NAME)
    set(link ${root}/${folder}/${name})
    if(IS_SYMLINK ${link})
      file(READ_SYMLINK ${link} points_to)
      if(points_to STREQUAL header)
        continue()
      endif()
      file(REMOVE ${link})
    endif()
    file(CREATE_LINK ${header} ${link} SYMBOLIC)
  endforeach()

  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
    target_link_libraries(${target} INTERFACE ${links})
  else()
    target_include_directories(${target} PUBLIC ${root})
    target_link_libraries(${target} PUBLIC ${links})
  endif()
endfunction()

# One static library per source folder. Sources are picked up by glob so that adding a file
# needs no edit here; CONFIGURE_DEPENDS makes the build notice new files.
function(kolvar_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
  else()  # a folder whose code is still to come
    add_library(${name} INTERFACE)
  endif()
  kolvar_layer_target(${name} "${ARG_DEPS}")
endfunction()

# One test program per source folder: tests/<folder>/*.cpp linked against that folder's library.
function(kolvar_tests name)
  cmake_parse_arguments(ARG "" "" "DEPS;ENV" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE KOLVAR_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT "${ARG_ENV}")
endfunction()
