#!/usr/bin/env bash
# Compiler launcher of the release build: runs the compiler with the source
# and build folders in its arguments written relative to the build folder,
# where Ninja runs every command.
#
# Why: clang writes its whole command line into the CodeView records of each
# object, and so into the PDB. CMake passes absolute paths (sources, -I), so
# two checkouts at different places would give different PDBs; and as lld
# derives the executable's PDB signature from the PDB's contents, different
# executables too.
#
# Usage: compile-relative.sh <source dir> <build dir> <source dir relative
#        to the build dir> <compiler or next launcher> [arguments ...]
set -u
src=$1
build=$2
rel=$3
shift 3

# Replaces folder $1 by $2 in $a wherever it stands as a whole path: followed
# by "/", by "=" (a prefix map) or by the end of the argument.
relative() {
  a=${a//"$1/"/"$2/"}
  a=${a//"$1="/"$2="}
  [[ $a == *"$1" ]] && a=${a%"$1"}$2
  return 0
}

args=()
for a in "$@"; do
  relative "$build" .  # first: the build folder may lie inside the source folder
  relative "$src" "$rel"
  args+=("$a")
done
exec "${args[@]}"
