# Shared compile settings and helpers for the project's own targets.

add_library(vdrk_options INTERFACE)
target_compile_options(vdrk_options INTERFACE -Wall -Wextra -Werror)
# Small trivially-copyable values in std::atomic (codes, for one) may need libatomic
# with clang.
target_link_libraries(vdrk_options INTERFACE atomic)

if(VDRK_SANITIZE STREQUAL "address")
  set(_vdrk_san -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
elseif(VDRK_SANITIZE STREQUAL "thread")
  set(_vdrk_san -fsanitize=thread -fno-omit-frame-pointer)
elseif(VDRK_SANITIZE)
  message(FATAL_ERROR "VDRK_SANITIZE must be empty, address or thread")
endif()
if(_vdrk_san)
  add_compile_options(${_vdrk_san})
  add_link_options(${_vdrk_san})
endif()

# vdrk_library(NAME SOURCES ... [DEPS ...]): one library per subsystem folder.
function(vdrk_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC vdrk_options ${ARG_DEPS})
  if(VDRK_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# vdrk_folder_library(NAME [DEPS ...]): a library of every .cpp file of the current folder.
function(vdrk_folder_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  vdrk_library(${name} SOURCES ${_sources} DEPS ${ARG_DEPS})
endfunction()

# vdrk_folder_test(NAME LABEL label [DEPS ...]): one test executable of every *_test.cpp
# file of the current folder.
function(vdrk_folder_test name)
  cmake_parse_arguments(ARG "" "LABEL" "DEPS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  vdrk_test(${name} LABEL ${ARG_LABEL} SOURCES ${_sources} DEPS ${ARG_DEPS})
endfunction()

# The headers nearly every test file parses: with VDRK_TEST_PCH they are compiled once per
# test executable. Builds without it still show a test file that forgets an include.
set(VDRK_TEST_PCH_HEADERS <gtest/gtest.h> <fmt/format.h> <algorithm> <atomic> <chrono>
  <cstdint> <filesystem> <functional> <mutex> <optional> <string> <string_view> <thread> <vector>)

# vdrk_test(NAME LABEL label SOURCES ... [DEPS ...]): one GoogleTest executable, its
# cases registered with ctest and labelled by subsystem.
function(vdrk_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE vdrk_options vdrk_testsupport ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  if(VDRK_TEST_PCH)
    target_precompile_headers(${name} PRIVATE ${VDRK_TEST_PCH_HEADERS})
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS "${ARG_LABEL}" ENVIRONMENT "VDRK_TESTDATA_DIR=${VDRK_TESTDATA_DIR}")
endfunction()

# Adds every immediate sub-folder of the current folder that has a CMakeLists.txt.
function(vdrk_add_subfolders)
  file(GLOB _children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT _children)
  foreach(_child IN LISTS _children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${_child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${_child}/CMakeLists.txt)
      add_subdirectory(${_child})
    endif()
  endforeach()
endfunction()

if(VDRK_FUZZ)
  add_custom_target(vdrk_fuzzers)
endif()

# vdrk_fuzzer(NAME SOURCES ... [DEPS ...]): a libFuzzer target, built only with
# VDRK_FUZZ=ON (clang); ctest runs it for a bounded time under the label "fuzz".
function(vdrk_fuzzer name)
  if(NOT VDRK_FUZZ)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE vdrk_options ${ARG_DEPS})
  add_dependencies(vdrk_fuzzers ${name})
  add_test(NAME ${name} COMMAND ${name} -max_total_time=${VDRK_FUZZ_SECONDS} -rss_limit_mb=2048)
  set_tests_properties(${name} PROPERTIES LABELS fuzz)
endfunction()
