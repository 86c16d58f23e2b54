# cmake -DSOURCE=<project source> -DWORK=<scratch folder> -P notices_check.cmake
# cmake/CorvaneNotices.cmake against made-up link records: what a GNU ld map
# and an lld log name is turned into the notices of exactly those runtimes,
# and a static library without a notice fails, naming it.
file(MAKE_DIRECTORY ${WORK})
set(known ${WORK}/known.txt)
file(WRITE ${known}
  "LOAD /usr/x86_64-w64-mingw32/lib/crt2.o\n"
  "/usr/lib/gcc/x86_64-w64-mingw32/12-posix/libstdc++.a(eh_catch.o)\n"
  "plugin/client/libcorvane_client.a(broker_session.cpp.obj)\n"
  "ld.lld: Loaded libgcc_eh.a(unwind-seh.o) for _Unwind_Resume\n")
execute_process(COMMAND ${CMAKE_COMMAND} -DRECORDS=${known} -DNOTICES=${SOURCE}/notices
    -DOUT=${WORK}/notices.txt -P ${SOURCE}/cmake/CorvaneNotices.cmake
  RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "known runtimes were refused: ${err}")
endif()
file(READ ${WORK}/notices.txt notices)
foreach(expected "gcc-runtime.txt: libgcc_eh.a libstdc++.a" "mingw-w64.txt: crt2.o"
                 "GCC RUNTIME LIBRARY EXCEPTION")
  string(FIND "${notices}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the notices lack '${expected}':\n${notices}")
  endif()
endforeach()
string(FIND "${notices}" "==== winpthreads.txt" at)
if(NOT at EQUAL -1)
  message(FATAL_ERROR "the notices name winpthreads, which the records do not")
endif()

set(unknown ${WORK}/unknown.txt)
file(WRITE ${unknown} "ld.lld: Loaded libz.a(inflate.o) for inflate\n")
execute_process(COMMAND ${CMAKE_COMMAND} "-DRECORDS=${known};${unknown}"
    -DNOTICES=${SOURCE}/notices -DOUT=${WORK}/unknown-notices.txt
    -P ${SOURCE}/cmake/CorvaneNotices.cmake
  RESULT_VARIABLE rc ERROR_VARIABLE err)
if(rc EQUAL 0 OR NOT err MATCHES "without a notice: libz\\.a")
  message(FATAL_ERROR "a library without a notice passed (exit ${rc}): ${err}")
endif()
file(REMOVE_RECURSE ${WORK})
