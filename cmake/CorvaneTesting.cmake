# GoogleTest for both configurations. The host build uses Debian's package;
# the Windows build compiles the sources from /usr/src/googletest with the
# cross compiler, and runs every test program under Wine in a private prefix.

if(CORVANE_WINDOWS)
  set(CORVANE_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${CORVANE_GTEST_SOURCE} ${PROJECT_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)
  set(CORVANE_GTEST_LIBS gtest gtest_main)
  set(CORVANE_WINEPREFIX ${PROJECT_BINARY_DIR}/wineprefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh ${CORVANE_WINEPREFIX} CACHE STRING "" FORCE)
else()
  find_package(GTest REQUIRED)
  set(CORVANE_GTEST_LIBS GTest::gtest GTest::gtest_main)
endif()

# corvane_test(name [HOST] [WINDOWS] SOURCES ... [LIBS ...] [TIMEOUT s])
# Registers one GoogleTest program as one ctest test. A test marked only HOST
# or only WINDOWS is built in that configuration alone.
function(corvane_test name)
  cmake_parse_arguments(A "HOST;WINDOWS" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(A_HOST AND NOT A_WINDOWS AND CORVANE_WINDOWS)
    return()
  endif()
  if(A_WINDOWS AND NOT A_HOST AND NOT CORVANE_WINDOWS)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE corvane_options ${A_LIBS} ${CORVANE_GTEST_LIBS})
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT})
endfunction()
