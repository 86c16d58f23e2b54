#!/usr/bin/env bash
# Checks the shipped executables and the client DLL of a release build
# (preset "release") the way a Windows debugger and a clean Windows will meet
# them:
#   - no DWARF (.debug_*) sections in the binary;
#   - a CodeView (RSDS) debug directory entry naming the PDB by file name;
#   - that PDB beside the binary, with the same GUID and age, holding the
#     program's own functions;
#   - a PE timestamp that is not 0: symbol servers index a binary by it and
#     its image size (the linker derives it from the content, so the build
#     stays reproducible: scripts/check-reproducible.sh);
#   - no MinGW runtime DLL among the imports (everything linked statically);
#   - for the DLL: only corvane_* functions exported, so nothing of the
#     static libraries inside it becomes part of its interface.
# The PE flags, version resource and manifest are checked under Wine by
# tests/release in the `windows` build.
#
# Usage: scripts/check-release-binaries.sh [bin folder]   (default build/release-clang/bin)
# Exit code: 0 when every check passes, 1 otherwise.
set -uo pipefail
cd "$(dirname "$0")/.."

bin=${1:-build/release-clang/bin}
shipped=(corvane-broker.exe corvane-plugin.exe corvane_client.dll)
failures=0

fail() {
  echo "  FAIL $1"
  failures=$((failures + 1))
}

# The PDB's GUID as llvm-readobj prints the debug directory's bytes
# ("(1C 1C 69 27 ...)") turned into the registry form llvm-pdbutil prints.
guid_from_bytes() {
  local b=($1)
  echo "{${b[3]}${b[2]}${b[1]}${b[0]}-${b[5]}${b[4]}-${b[7]}${b[6]}-${b[8]}${b[9]}-${b[10]}${b[11]}${b[12]}${b[13]}${b[14]}${b[15]}}"
}

for exe in "${shipped[@]}"; do
  path="$bin/$exe"
  before=$failures
  interface=""
  echo "== $path"
  if [ ! -f "$path" ]; then
    fail "missing"
    continue
  fi

  dwarf=$(llvm-objdump -h "$path" | awk '$2 ~ /^\.debug_/ { print $2 }' | tr '\n' ' ')
  [ -z "$dwarf" ] || fail "debug sections in the binary: $dwarf"

  directory=$(llvm-readobj --coff-debug-directory "$path")
  signature=$(awk '/PDBSignature:/ { print $2 }' <<<"$directory")
  pdb_name=$(awk '/PDBFileName:/ { print $2 }' <<<"$directory")
  bytes=$(sed -n 's/.*PDBGUID: (\(.*\)).*/\1/p' <<<"$directory")
  age=$(awk '/PDBAge:/ { print $2 }' <<<"$directory")
  if [ "$signature" != "0x53445352" ]; then  # "RSDS"
    fail "no CodeView (RSDS) debug directory entry"
    continue
  fi
  expected="${exe%.*}.pdb"
  [ "$pdb_name" = "$expected" ] || fail "the binary names its PDB '$pdb_name', not '$expected'"

  pdb="$bin/$expected"
  if [ ! -f "$pdb" ]; then
    fail "no $expected beside the binary"
    continue
  fi
  summary=$(llvm-pdbutil dump -summary "$pdb")
  pdb_guid=$(awk '/GUID:/ { print $2 }' <<<"$summary")
  pdb_age=$(awk '/Age:/ { print $2 }' <<<"$summary")
  exe_guid=$(guid_from_bytes "$bytes")
  [ "$pdb_guid" = "$exe_guid" ] || fail "PDB GUID $pdb_guid, the binary expects $exe_guid"
  [ "$pdb_age" = "$age" ] || fail "PDB age $pdb_age, the binary expects $age"
  # A PDB of the runtime libraries alone would match too: ask for our code.
  functions=$(llvm-pdbutil dump -symbols "$pdb" | grep -c 'S_[GL]PROC32.*`corvane::')
  [ "$functions" -gt 0 ] || fail "no corvane:: functions in $expected"

  stamp=$(llvm-readobj --file-headers "$path" | sed -n 's/.*TimeDateStamp: .*(\(0x[0-9A-Fa-f]*\)).*/\1/p')
  [ -n "$stamp" ] && [ "$((stamp))" -ne 0 ] || fail "PE timestamp ${stamp:-missing}, not one derived from the content"
  runtime=$(llvm-readobj --coff-imports "$path" | awk '/Name:/ { print $2 }' |
            grep -i -E '^(libstdc\+\+|libgcc|libwinpthread)' | tr '\n' ' ')
  [ -z "$runtime" ] || fail "imports MinGW runtime DLLs: $runtime"

  if [[ $exe == *.dll ]]; then
    exports=$(llvm-readobj --coff-exports "$path" | awk '/Name:/ && NF > 1 { print $2 }')
    foreign=$(grep -v '^corvane_' <<<"$exports" | tr '\n' ' ')
    [ -n "$exports" ] || fail "exports nothing"
    [ -z "$foreign" ] || fail "exports more than corvane_* functions: $foreign"
    interface=", exports corvane_* only"
  fi

  [ "$failures" -gt "$before" ] || echo "  ok: no DWARF, $expected beside it (GUID $pdb_guid, $functions corvane functions), timestamp $stamp, static runtime${interface:-}"
done

if [ "$failures" -gt 0 ]; then
  echo "== release binaries: $failures check(s) FAILED"
  exit 1
fi
echo "== release binaries: ok"
