# clang and lld-link for x86_64-pc-windows-msvc with neither a C runtime nor
# a Windows SDK: enough for msvc_client.c, which brings its own entry point
# and makes kernel32.lib from kernel32.def.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_C_COMPILER clang)
set(CMAKE_C_COMPILER_TARGET x86_64-pc-windows-msvc)
set(CMAKE_C_FLAGS_INIT "-ffreestanding -fno-builtin -fno-stack-protector")
set(CMAKE_EXE_LINKER_FLAGS_INIT
  "-fuse-ld=lld -nostdlib -Wl,-nodefaultlib -Wl,-entry:start -Wl,-subsystem:console")
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)
# No C runtime to link a test program against.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
