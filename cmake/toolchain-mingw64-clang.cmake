# Cross-compiles the Windows product with clang and lld against Debian's
# MinGW-w64 headers and libraries and GCC's MinGW runtime (posix threads
# model: libstdc++, libgcc, winpthreads). Used by the `release` preset, whose
# symbols ship as PDB files (see cmake/CorvaneBuild.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CORVANE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${CORVANE_MINGW_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${CORVANE_MINGW_TRIPLE})
set(CMAKE_RC_COMPILER ${CORVANE_MINGW_TRIPLE}-windres)

# The MinGW-w64 headers, import libraries and CRT objects.
set(CMAKE_SYSROOT /usr/${CORVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH /usr/${CORVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# GCC's runtime lives in /usr/lib/gcc/x86_64-w64-mingw32/<version>-posix.
# clang does not find it itself: it cannot read a version with a suffix, so
# the C++ headers and the library folder are named here. The newest one wins.
file(GLOB CORVANE_MINGW_GCC_DIRS LIST_DIRECTORIES true
  /usr/lib/gcc/${CORVANE_MINGW_TRIPLE}/*-posix)
list(SORT CORVANE_MINGW_GCC_DIRS COMPARE NATURAL ORDER DESCENDING)
list(GET CORVANE_MINGW_GCC_DIRS 0 CORVANE_MINGW_GCC_DIR)
if(NOT EXISTS ${CORVANE_MINGW_GCC_DIR}/include/c++)
  message(FATAL_ERROR "No MinGW-w64 GCC runtime (posix threads) in "
    "/usr/lib/gcc/${CORVANE_MINGW_TRIPLE}: install g++-mingw-w64-x86-64-posix")
endif()
set(cxx_headers ${CORVANE_MINGW_GCC_DIR}/include/c++)
set(CMAKE_CXX_FLAGS_INIT
  "-isystem ${cxx_headers} -isystem ${cxx_headers}/${CORVANE_MINGW_TRIPLE} -isystem ${cxx_headers}/backward")

# lld; everything static so the executables run on a clean Windows without
# MinGW runtime DLLs. libstdc++ of the posix threads model needs winpthreads,
# which GCC's driver adds by itself and clang's does not. lld resolves
# archives in any order, so naming it among the flags is enough.
set(CMAKE_EXE_LINKER_FLAGS_INIT
  "-fuse-ld=lld -static -L${CORVANE_MINGW_GCC_DIR} -lpthread")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${CMAKE_EXE_LINKER_FLAGS_INIT}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${CMAKE_EXE_LINKER_FLAGS_INIT}")
