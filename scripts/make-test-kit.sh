#!/usr/bin/env bash
# Writes the Windows test kit: every Windows test program that ctest runs
# (read from ctest's own registration, so new ones come along), the broker,
# the tool, the DLL, the helper programs and data files beside them in the
# build's bin/, and scripts/kit/run-tests.cmd, which runs them on a stock
# Windows 10/11 x64 machine for the current user and puts everything back.
# Tests that ctest runs as something other than a Windows program (a CMake
# script on the build machine) are named and left out.
#
# Usage: scripts/make-test-kit.sh WINDOWS_BUILD OUT.zip VERSION "YYYY-MM-DD HH:MM:SS"
# Exit code: 0 when the archive is written and lists every Windows program.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$1 out=$2 version=$3 stamp=$4
name=$(basename "$out" .zip)

echo "== $(basename "$out")"
if ! cmake --preset windows >/dev/null || ! cmake --build --preset windows >/dev/null; then
  echo "  FAIL the windows build"
  exit 1
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-kit.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
kit=$work/$name
mkdir -p "$kit/bin"

# name<TAB>program for every test whose command runs a program of bin/.
if ! ctest --test-dir "$build" --show-only=json-v1 >"$work/tests.json"; then
  echo "  FAIL ctest --show-only"
  exit 1
fi
python3 - "$work/tests.json" "$(cd "$build" && pwd)/bin" >"$work/tests.tsv" 2>"$work/other.txt" <<'EOF'
import json, os, sys
tests = json.load(open(sys.argv[1]))["tests"]
bin_dir = sys.argv[2]
for test in tests:
    programs = [a for a in test.get("command", []) if a.lower().endswith(".exe")]
    if programs and os.path.dirname(os.path.abspath(programs[0])) == bin_dir:
        print(f"{test['name']}\t{os.path.basename(programs[0])}")
    else:
        print(test["name"], file=sys.stderr)
EOF
if [ ! -s "$work/tests.tsv" ]; then
  echo "  FAIL no Windows test programs registered in $build"
  exit 1
fi

# Everything the programs find beside themselves: bin/ holds only what the
# windows build puts there (programs, the DLL, data files such as
# example-session.txt and protocol.md).
cp -p "$build"/bin/* "$kit/bin/" || exit 1
# The MinGW programs without their DWARF sections (a quarter of the size);
# code, relocations and resources stay as built. Others (the lld-linked
# MSVC-ABI client) are left alone: GNU strip rewrites their layout.
for file in "$kit"/bin/*.exe "$kit"/bin/*.dll; do
  if x86_64-w64-mingw32-objdump -h "$file" | grep -q ' \.debug_'; then
    x86_64-w64-mingw32-strip --strip-debug "$file" || exit 1
  fi
done
missing=0
while IFS=$'\t' read -r test program; do
  [ -f "$kit/bin/$program" ] || { echo "  FAIL $test: $program is not in bin/"; missing=1; }
done <"$work/tests.tsv"
[ "$missing" -eq 0 ] || exit 1

{
  echo "# The programs run-tests.cmd runs, one a line: test name, program in bin\\."
  echo "# Corvane $version, from ctest's registration of the windows build."
  tr '\t' ' ' <"$work/tests.tsv"
} | sed 's/$/\r/' >"$kit/tests.txt"
sed 's/$/\r/' scripts/kit/run-tests.cmd >"$kit/run-tests.cmd"
sed 's/$/\r/' scripts/kit/README.txt >"$kit/README.txt"

rm -f "$out"
(cd "$work" && find "$name" -type f | LC_ALL=C sort >"$work/list" &&
  TZ=UTC cmake -E tar cf "$out" --format=zip --mtime="$stamp UTC" --files-from="$work/list") || {
  echo "  FAIL cmake -E tar"
  exit 1
}
echo "  ok: $(wc -l <"$work/tests.tsv") test programs, $(ls "$kit/bin" | wc -l) files in bin/, $(wc -c <"$out") bytes"
if [ -s "$work/other.txt" ]; then
  echo "  not in the kit (run on the build machine): $(tr '\n' ' ' <"$work/other.txt")"
fi
