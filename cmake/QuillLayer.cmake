# quill_add_layer(<target> [DIR <folder>] [DEPS <targets...>])
# Makes one library from the .cpp files directly in <folder> (default: the
# current source folder), except main.cpp, and one test executable
# <target>_tests from <folder>/tests/*.cpp when there are any. A folder with
# no sources yet gives an INTERFACE library, so dependants link either way.
# The library exposes the project root as its include folder (headers are
# included by their layer: #include "TK/tk_exception.h").
# Every DEPS name must be a target once all layers are added: the top-level
# CMakeLists.txt calls quill_check_layer_deps() at the end, which stops the
# configure step on a name that is none (a typo would otherwise link
# nothing, or a missing library, silently).
function(quill_add_layer target)
  cmake_parse_arguments(ARG "" "DIR" "DEPS" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  foreach(dep IN LISTS ARG_DEPS)
    set_property(GLOBAL APPEND PROPERTY QUILL_LAYER_DEPS "${target}=${dep}")
  endforeach()
  if(sources)
    add_library(${target} STATIC ${sources})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  else()
    add_library(${target} INTERFACE)
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
    target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR})
  endif()
  file(GLOB tests CONFIGURE_DEPENDS ${ARG_DIR}/tests/*.cpp)
  if(tests)
    quill_add_tests(${target}_tests SOURCES ${tests} LIBS ${target})
  endif()
endfunction()

# Fails the configure step when a layer's DEPS names no target.
function(quill_check_layer_deps)
  get_property(pairs GLOBAL PROPERTY QUILL_LAYER_DEPS)
  set(unknown)
  foreach(pair IN LISTS pairs)
    string(REPLACE "=" ";" parts "${pair}")
    list(GET parts 0 layer)
    list(GET parts 1 dep)
    if(NOT TARGET ${dep})
      list(APPEND unknown "${layer} depends on '${dep}', which is no target")
    endif()
  endforeach()
  if(unknown)
    list(JOIN unknown "\n  " text)
    message(FATAL_ERROR "Unknown layer dependencies:\n  ${text}")
  endif()
endfunction()
