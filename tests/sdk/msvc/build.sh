#!/bin/sh
# build.sh INCLUDE_DIR LIB_DIR OUTPUT.exe
# Builds msvc_client.c for x86_64-pc-windows-msvc with clang and lld-link
# against LIB_DIR/corvane_client.lib, as an MSVC-ABI plug-in would link the
# SDK. No C runtime and no Windows SDK are needed: kernel32.lib is made from
# kernel32.def. Run the program beside corvane_client.dll and the broker.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
include=$1 lib=$2 out=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-msvc.XXXXXX")
trap 'rm -rf "$work"' EXIT
llvm-dlltool -m i386:x86-64 -d "$here/kernel32.def" -l "$work/kernel32.lib"
clang --target=x86_64-pc-windows-msvc -ffreestanding -fno-builtin -fno-stack-protector \
  -Wall -Wextra -Werror -O1 -I"$include" -c "$here/msvc_client.c" -o "$work/msvc_client.obj"
lld-link -nologo -entry:start -subsystem:console -nodefaultlib -out:"$out" \
  "$work/msvc_client.obj" "$lib/corvane_client.lib" "$work/kernel32.lib"
