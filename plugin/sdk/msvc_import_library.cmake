# cmake -DREADOBJ=llvm-readobj -DDLLTOOL=llvm-dlltool -DDLL=corvane_client.dll
#       -DDEF=corvane_client.def -DLIB=corvane_client.lib -P msvc_import_library.cmake
# Writes the DLL's exports, read from its export table, as a .def file and
# makes an MSVC-format import library of it.
execute_process(COMMAND ${READOBJ} --coff-exports ${DLL}
  OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${READOBJ} --coff-exports ${DLL} failed (${rc})")
endif()
string(REGEX MATCHALL "\n *Name: [A-Za-z_][A-Za-z0-9_]*" lines "${listing}")
set(exports "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE ".*Name: " "" name "${line}")
  string(APPEND exports "    ${name}\n")
endforeach()
if(exports STREQUAL "")
  message(FATAL_ERROR "${DLL} exports nothing")
endif()
get_filename_component(dll_name ${DLL} NAME)
file(WRITE ${DEF} "LIBRARY ${dll_name}\nEXPORTS\n${exports}")
execute_process(COMMAND ${DLLTOOL} -m i386:x86-64 -d ${DEF} -l ${LIB} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${DLLTOOL} -d ${DEF} failed (${rc})")
endif()
