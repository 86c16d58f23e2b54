#!/usr/bin/env bash
# Installs what is missing, builds both configurations and runs every suite:
# the host build (unit tests under AddressSanitizer and UBSan, brief fuzz
# runs) and the Windows build (tests under Wine). Also checks the formatting
# of every C++ file, and the release build (clang, PDB symbols): warning-free,
# debug information only in the PDB files, reproducible from two folders.
# Exits non-zero on any failure, after printing every summary.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/setup.sh || exit 1

jobs=$(nproc 2>/dev/null || echo 2)
status=0
summaries=()

run_config() {
  local preset=$1
  echo "== configure and build: $preset"
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" -j "$jobs"; then
    summaries+=("$preset: BUILD FAILED")
    status=1
    return
  fi
  echo "== test: $preset"
  local log
  log=$(mktemp)
  ctest --test-dir "build/$preset" --output-on-failure -j "$jobs" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  summaries+=("$preset: $(grep -E 'tests passed|tests failed' "$log" | tail -n 1)")
  rm -f "$log"
  [ "$rc" -eq 0 ] || status=1
}

# Every C++ file the repository holds, against .clang-format.
check_format() {
  echo "== format"
  local bad=() f
  while IFS= read -r -d '' f; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
  done < <(git ls-files -z '*.cpp' '*.h' '*.hpp' '*.c')
  if [ ${#bad[@]} -eq 0 ]; then
    summaries+=("format: ok")
    return
  fi
  printf '  not formatted: %s\n' "${bad[@]}"
  echo "  (clang-format -i <file> formats one; clang-format --dry-run <file> shows the changes)"
  summaries+=("format: ${#bad[@]} file(s) NOT FORMATTED")
  status=1
}

# The release configuration: product only, clang and lld, symbols in PDB files.
check_release() {
  echo "== configure and build: release"
  if ! cmake --preset release >/dev/null || ! cmake --build --preset release -j "$jobs"; then
    summaries+=("release: BUILD FAILED")
    status=1
    return
  fi
  echo "== check: release binaries"
  if scripts/check-release-binaries.sh build/release-clang/bin; then
    summaries+=("release: binaries ok (no DWARF, PDB beside each, static runtime)")
  else
    summaries+=("release: binaries FAILED")
    status=1
  fi
  echo "== check: release build reproducible"
  if scripts/check-reproducible.sh --working-tree; then
    summaries+=("release: reproducible (two folders, identical executables and PDBs)")
  else
    summaries+=("release: NOT REPRODUCIBLE")
    status=1
  fi
}

stop_wine() {
  WINEPREFIX="$root/build/windows/wineprefix" wineserver -k >/dev/null 2>&1 || true
}
trap stop_wine EXIT

check_format
run_config host
run_config windows
check_release

echo
echo "== summary"
for s in "${summaries[@]}"; do echo "  $s"; done
exit $status
