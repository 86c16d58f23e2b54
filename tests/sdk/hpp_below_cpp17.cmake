# cmake -DCOMPILER=<c++ compiler> -DINCLUDES="a;b" -P hpp_below_cpp17.cmake
# corvane.hpp compiled as C++14 must fail with one error, and that error
# must name C++17: a reader should not have to dig through a hundred.
set(source ${CMAKE_CURRENT_BINARY_DIR}/hpp_below_cpp17.cpp)
file(WRITE ${source} "#include \"corvane/corvane.hpp\"\n")
set(flags -std=c++14 -fsyntax-only)
foreach(dir IN LISTS INCLUDES)
  list(APPEND flags -I${dir})
endforeach()
execute_process(COMMAND ${COMPILER} ${flags} ${source}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
file(REMOVE ${source})
string(REGEX MATCHALL "error:" errors "${out}")
list(LENGTH errors count)
if(rc EQUAL 0 OR NOT count EQUAL 1 OR NOT out MATCHES "error:[^\n]*C\\+\\+17")
  message(FATAL_ERROR "expected one error naming C++17, got (exit ${rc}, ${count} errors):\n${out}")
endif()
message(STATUS "one error: ${out}")
