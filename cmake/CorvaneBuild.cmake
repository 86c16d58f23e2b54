# Compiler settings shared by every target of the project.

add_library(corvane_options INTERFACE)
target_include_directories(corvane_options INTERFACE ${PROJECT_SOURCE_DIR})
# C and C++ only: windres compiles the resource scripts of the same targets
# and knows none of these.
target_compile_options(corvane_options INTERFACE
  "$<$<COMPILE_LANGUAGE:C,CXX>:-Wall;-Wextra;-Wpedantic;-Werror;-Wshadow;-Wconversion;-Wsign-conversion>"
  "$<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>")
if(CORVANE_WINDOWS)
  target_compile_definitions(corvane_options INTERFACE
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  # The PE header states what the code needs: Windows 7 (6.1), as
  # _WIN32_WINNT says, rather than the linker's default of 5.2. ASLR with
  # high-entropy addresses and DEP are binutils' defaults today; they are
  # spelled out so that a change of default cannot drop them silently
  # (tests/release checks the result).
  target_link_options(corvane_options INTERFACE
    "LINKER:--major-subsystem-version,6,--minor-subsystem-version,1"
    "LINKER:--major-os-version,6,--minor-os-version,1"
    "LINKER:--dynamicbase,--high-entropy-va,--nxcompat")
endif()
# A Windows build with clang (the `release` preset) keeps its symbols out of
# the executables: CodeView goes into a PDB beside each one, named in the
# executable's debug directory, which is what the Windows debuggers read. It
# is also reproducible: two checkouts with the build folder at the same place
# inside them give the same bytes. The link timestamp in the PE header, with
# the image size what symbol servers index a binary by, is a hash of the
# image (-Brepro), as is the PDB's signature: the same sources give the same
# stamp, a changed one a different stamp. Paths are relative: the compiler sees the sources
# relative to the build folder (cmake/compile-relative.sh), debug info names
# them relative to the source root, the PDB names objects relative to the
# build folder, and the executable names its PDB by file name only.
if(CORVANE_WINDOWS AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(CORVANE_PDB ON)
  find_program(CORVANE_LLVM_OBJCOPY NAMES llvm-objcopy llvm-objcopy-14 REQUIRED)
  file(RELATIVE_PATH source_from_build ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR})
  string(REGEX REPLACE "/$" "" source_from_build "${source_from_build}")
  if(source_from_build STREQUAL "")
    set(source_from_build .)
  endif()
  set(relative_launcher ${PROJECT_SOURCE_DIR}/cmake/compile-relative.sh
    ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR} ${source_from_build})
  set(CMAKE_C_COMPILER_LAUNCHER ${relative_launcher} ${CMAKE_C_COMPILER_LAUNCHER})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${relative_launcher} ${CMAKE_CXX_COMPILER_LAUNCHER})
  # The launcher has turned the source folder into ${source_from_build}.
  target_compile_options(corvane_options INTERFACE
    "$<$<COMPILE_LANGUAGE:C,CXX>:-g;-gcodeview;-ffile-compilation-dir=.;-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>")
  target_link_options(corvane_options INTERFACE
    "LINKER:--pdb="
    "LINKER:--Xlink=-Brepro"
    "LINKER:--Xlink=-pdbaltpath:%_PDB%"
    "LINKER:--Xlink=-pdbsourcepath:.")
else()
  set(CORVANE_PDB OFF)
endif()
if(CORVANE_SANITIZE AND NOT CORVANE_WINDOWS)
  target_compile_options(corvane_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(corvane_options INTERFACE -fsanitize=address,undefined)
endif()

# corvane_add_subfolders() — adds every folder next to the calling
# CMakeLists.txt that has a CMakeLists.txt of its own, in name order.
function(corvane_add_subfolders)
  file(GLOB areas LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
    ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT areas)
  foreach(area ${areas})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${area}/CMakeLists.txt)
      add_subdirectory(${area})
    endif()
  endforeach()
endfunction()

# corvane_library(name [WINDOWS] SOURCES ... [LIBS ...])
# A static library of the project; WINDOWS ones are skipped on the host build.
function(corvane_library name)
  cmake_parse_arguments(A "WINDOWS" "" "SOURCES;LIBS" ${ARGN})
  if(A_WINDOWS AND NOT CORVANE_WINDOWS)
    return()
  endif()
  add_library(${name} STATIC ${A_SOURCES})
  target_link_libraries(${name} PUBLIC corvane_options ${A_LIBS})
endfunction()

# corvane_executable(name [GUI] SOURCES ... [LIBS ...]) — Windows programs.
function(corvane_executable name)
  cmake_parse_arguments(A "GUI" "" "SOURCES;LIBS" ${ARGN})
  if(NOT CORVANE_WINDOWS)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE corvane_options ${A_LIBS})
  target_link_options(${name} PRIVATE -municode)
  if(A_GUI)
    target_link_options(${name} PRIVATE -mwindows)
  endif()
  corvane_pdb_only(${name})
endfunction()

# corvane_pdb_only(target) — for a shipped executable or DLL. In the release
# build: lld writes the DWARF of GCC's runtime libraries into the image next
# to the PDB; no Windows debugger reads it, so it goes. In a GNU ld build:
# the PE timestamp is derived from the content (cmake/pe-stamp.sh), as
# -Brepro makes it in the release build, instead of the link time. Call it
# in the folder that creates the target (a POST_BUILD step is added there).
function(corvane_pdb_only target)
  if(CORVANE_PDB)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CORVANE_LLVM_OBJCOPY} --strip-debug $<TARGET_FILE:${target}>
      VERBATIM)
  elseif(CORVANE_WINDOWS)
    target_link_options(${target} PRIVATE "LINKER:--no-insert-timestamp")
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${PROJECT_SOURCE_DIR}/cmake/pe-stamp.sh $<TARGET_FILE:${target}>
      VERBATIM)
  endif()
endfunction()

# corvane_fuzzer(name SOURCES ... [LIBS ...]) — a libFuzzer target (host
# build with clang and CORVANE_FUZZ only). Its seed corpus is the folder
# `corpus` next to the sources, if present. CI runs each one briefly.
function(corvane_fuzzer name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  if(CORVANE_WINDOWS OR NOT CORVANE_FUZZ)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE corvane_options ${A_LIBS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/corpus)
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  if(CORVANE_TESTS)
    add_test(NAME ${name}_smoke
      COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
        sh -c "mkdir -p '${work}' && exec \"$0\" -max_total_time=5 -print_final_stats=1 '${work}' '${corpus}'"
        $<TARGET_FILE:${name}>)
    set_tests_properties(${name}_smoke PROPERTIES TIMEOUT 120)
  endif()
endfunction()
