# GoogleTest: the system package where it exists, otherwise built from the Debian sources
# (the cross builds for Windows have no prebuilt library).
find_package(GTest QUIET)
if(NOT GTest_FOUND)
  if(EXISTS /usr/src/googletest/CMakeLists.txt)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  else()
    message(FATAL_ERROR "GoogleTest not found: run scripts/setup")
  endif()
endif()
include(GoogleTest)

# Test programs whose cases take seconds each (zolk-cli killed or stopped over thousands of
# files, two processes on one store, a crash at every call of a run, random histories, the
# seeded fuzz run): labelled slow, so that `ctest -LE slow` runs the rest in well under a minute.
set(zolk_slow_tests cli_kill_test cli_interrupted_run_test cli_concurrent_runs_test
    engine_crash_safety_test engine_restore_history_test restore_fuzz_seeded)

# zolk_test(NAME SOURCES... LIBS libs...): one test program, its cases registered with CTest.
function(zolk_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} zolk_testing GTest::gtest_main)
  set(labels "")
  if(name IN_LIST zolk_slow_tests)
    set(labels LABELS slow)
  endif()
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
    if(labels)
      set_tests_properties(${name} PROPERTIES ${labels})
    endif()
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600 ${labels})
  endif()
endfunction()
