# Warnings and sanitizers applied to every target of the project.
add_compile_options(-Wall -Wextra)
if(BRENMARK_WERROR)
  add_compile_options(-Werror)
endif()

if(BRENMARK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(BRENMARK_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Adds a GoogleTest executable built from the given sources and registers its tests.
# Usage: brenmark_add_test(NAME sources... LIBS libs...)
# The cross build compiles GoogleTest from Debian's sources; natively the
# installed package is used.
if(CMAKE_CROSSCOMPILING)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
function(brenmark_add_test name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    BRENMARK_TESTDATA_DIR="${BRENMARK_TESTDATA_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
endfunction()

# Recorded sectors and cue sheets used by the tests.
if(NOT DEFINED BRENMARK_TESTDATA_DIR)
  set(BRENMARK_TESTDATA_DIR ${CMAKE_CURRENT_SOURCE_DIR}/tests/data)
endif()
