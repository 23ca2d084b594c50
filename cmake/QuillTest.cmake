# quill_add_tests(<name> SOURCES <files...> LIBS <targets...>)
# Builds one GoogleTest executable and registers its tests with CTest.
# Tests find the reference data beside the project through QUILL_SHARED_DIR
# (absent in a user's clone: such tests skip).
set(QUILL_SHARED_DIR "${CMAKE_SOURCE_DIR}/../shared" CACHE PATH "Reference data beside the project (optional)")

function(quill_add_tests name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    QUILL_SHARED_DIR="${QUILL_SHARED_DIR}"
    QUILL_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    QUILL_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()
