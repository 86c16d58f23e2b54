#!/usr/bin/env bash
# Builds the release configuration (preset "release": clang, PDB symbols)
# twice from copies of one commit at two different paths and compares what
# it ships byte for byte: the executables, the SDK DLL, their PDB files and
# the SDK's static library.
#
# Usage: scripts/check-reproducible.sh [--keep] [--working-tree | commit]
#   commit          what to build (default HEAD)
#   --working-tree  build the working tree's files instead (tracked ones as
#                   they are now, plus untracked ones git does not ignore)
#   --keep          leave the two build folders behind for inspection
# Exit code: 0 when every file is identical, 1 when any differs, 2 when a
# build fails.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

keep=0
commit=HEAD
for arg in "$@"; do
  case "$arg" in
    --keep) keep=1 ;;
    --working-tree) commit="" ;;
    -*) echo "usage: scripts/check-reproducible.sh [--keep] [--working-tree | commit]" >&2; exit 2 ;;
    *) commit=$arg ;;
  esac
done
what=${commit:-the working tree}

jobs=$(nproc 2>/dev/null || echo 2)
# Paths of different lengths and names, so anything that records where the
# sources or the build were shows up as a difference.
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-repro.XXXXXX") || exit 2
cleanup() {
  if [ "$keep" -eq 1 ]; then
    echo "== kept: $work"
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT
trees=("$work/a" "$work/second-checkout/b")

export_sources() {  # into folder $1
  if [ -n "$commit" ]; then
    git -C "$root" archive --format=tar "$commit" | tar -x -C "$1"
  else
    # Tracked files deleted in the working tree are left out.
    git -C "$root" ls-files -z --cached --others --exclude-standard |
      (cd "$root" && xargs -0 sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh) |
      tar -C "$root" --null -T - -cf - | tar -x -C "$1"
  fi
}
for tree in "${trees[@]}"; do
  mkdir -p "$tree"
  if ! export_sources "$tree"; then
    echo "== cannot export $what" >&2
    exit 2
  fi
done

for tree in "${trees[@]}"; do
  echo "== build $what in $tree"
  start=$(date +%s)
  if ! (cd "$tree" && cmake --preset release >/dev/null && cmake --build --preset release -j "$jobs" >/dev/null); then
    echo "== BUILD FAILED in $tree" >&2
    # Show the failure itself.
    (cd "$tree" && cmake --build --preset release -j 1 2>&1 | tail -n 30) >&2
    exit 2
  fi
  echo "   $(($(date +%s) - start)) s"
done

status=0
first="${trees[0]}/build/release-clang"
second="${trees[1]}/build/release-clang"
files=$(cd "$first" && ls -- bin/*.exe bin/*.dll bin/*.pdb lib/*.a 2>/dev/null)
if [ -z "$files" ]; then
  echo "== no executables in $first" >&2
  exit 2
fi
echo "== compare"
for f in $files; do
  if cmp -s "$first/$f" "$second/$f"; then
    printf '  %-34s identical (%s bytes)\n' "$f" "$(stat -c %s "$first/$f")"
  else
    printf '  %-34s DIFFERS: %s\n' "$f" "$(cmp "$first/$f" "$second/$f" 2>&1 | head -n 1)"
    status=1
  fi
done
# Nothing in the second build that the first lacks.
for f in $(cd "$second" && ls -- bin/*.exe bin/*.dll bin/*.pdb lib/*.a 2>/dev/null); do
  [ -e "$first/$f" ] || { echo "  $f only in the second build"; status=1; }
done
[ "$status" -eq 0 ] && echo "== reproducible" || echo "== NOT reproducible"
exit $status
