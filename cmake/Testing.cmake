# Test registration. Host tests run natively under the sanitizers; Windows tests run
# under Wine in a fresh prefix made once per ctest run (fixture "wine").
include_guard()

set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
if(TARGET gtest)
  # GoogleTest's own warnings are not ours to fix.
  target_compile_options(gtest PRIVATE -w)
  target_compile_options(gtest_main PRIVATE -w)
endif()

set(SETUP_WINE_ENV ${CMAKE_SOURCE_DIR}/cmake/wine-env.sh)

# Wine runs the x86_64 build natively and the shipped i686 build through the 32-bit
# runner (qemu-user; see cmake/wine32-runner.sh, prepared by scripts/bootstrap.sh).
# Emulation is slow, so the i686 build runs only the tests registered with I686.
set(SETUP_WINE32_RUNNER ${CMAKE_BINARY_DIR}/wine32 CACHE PATH "The 32-bit runner's folder")
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(SETUP_RUN_WINE_TESTS ON)
  set(SETUP_WINE_I686 OFF)
  set(wine_start ${SETUP_WINE_ENV} start ${CMAKE_BINARY_DIR})
elseif(WIN32)
  set(SETUP_RUN_WINE_TESTS ON)
  set(SETUP_WINE_I686 ON)
  set(wine_start ${SETUP_WINE_ENV} start ${CMAKE_BINARY_DIR} ${SETUP_WINE32_RUNNER})
else()
  set(SETUP_RUN_WINE_TESTS OFF)
endif()

if(SETUP_RUN_WINE_TESTS)
  # Holds the prefix's desktop open from the start of the run to its end.
  add_executable(desktop_keeper WIN32 ${CMAKE_SOURCE_DIR}/tests/support/desktop_keeper.cpp)
  add_test(NAME wine.start COMMAND ${wine_start})
  set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 180
                       ENVIRONMENT SETUP_DESKTOP_KEEPER=$<TARGET_FILE:desktop_keeper>)
  add_test(NAME wine.stop COMMAND ${SETUP_WINE_ENV} stop ${CMAKE_BINARY_DIR})
  set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)
endif()

# add_host_test(NAME SOURCES ... [LIBS ...]): a GoogleTest program of the host preset.
function(add_host_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  if(WIN32)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS host WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
endfunction()

# add_wine_test(NAME SOURCES ... [LIBS ...] [ENV VAR=VALUE ...] [ARGS ...] [TIMEOUT s] [I686]):
# a Windows test program, built for both mingw presets and run under Wine by win64, and
# by win32 too with I686. Several runs may share one program through add_wine_test_run.
function(add_wine_test name)
  cmake_parse_arguments(T "I686" "TIMEOUT" "SOURCES;LIBS;ENV;ARGS" ${ARGN})
  if(NOT WIN32)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(i686)
  if(T_I686)
    set(i686 I686)
  endif()
  add_wine_test_run(${name} ${name} ENV ${T_ENV} ARGS ${T_ARGS} TIMEOUT ${T_TIMEOUT} ${i686})
endfunction()

# add_wine_test_run(TESTNAME PROGRAM [ENV ...] [ARGS ...] [TIMEOUT s] [I686]): one more run
# of an existing Windows program (another language, another system setting, a filter);
# with I686 the win32 preset runs it too, through the 32-bit runner.
function(add_wine_test_run test program)
  cmake_parse_arguments(T "I686" "TIMEOUT" "ENV;ARGS" ${ARGN})
  if(NOT SETUP_RUN_WINE_TESTS OR (SETUP_WINE_I686 AND NOT T_I686))
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${test} COMMAND ${SETUP_WINE_ENV} run ${CMAKE_BINARY_DIR} $<TARGET_FILE:${program}> ${T_ARGS})
  set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED wine LABELS wine TIMEOUT ${T_TIMEOUT})
  if(T_ENV)
    set_tests_properties(${test} PROPERTIES ENVIRONMENT "${T_ENV}")
  endif()
endfunction()

# add_wine_test_run_win98(TESTNAME PROGRAM [ENV ...] [TIMEOUT s]): one more run of an
# existing Windows program as the 95/98 family (platform id 1), under a copy named
# PROGRAM_win98.exe.
function(add_wine_test_run_win98 test program)
  cmake_parse_arguments(T "" "TIMEOUT" "ENV" ${ARGN})
  if(NOT SETUP_RUN_WINE_TESTS OR SETUP_WINE_I686)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(copy $<TARGET_FILE_DIR:${program}>/${program}_win98.exe)
  add_custom_command(TARGET ${program} POST_BUILD
                     COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${program}> ${copy})
  add_test(NAME ${test}
           COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-run-win98.sh ${CMAKE_BINARY_DIR} ${copy})
  set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED wine LABELS wine TIMEOUT ${T_TIMEOUT})
  if(T_ENV)
    set_tests_properties(${test} PROPERTIES ENVIRONMENT "${T_ENV}")
  endif()
endfunction()
