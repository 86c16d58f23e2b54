#!/usr/bin/env bash
# Installs what is missing, builds both configurations and runs every suite:
# the host build (unit tests under AddressSanitizer and UBSan, brief fuzz
# runs) and the Windows build (tests under Wine). Exits non-zero on any
# failure, after printing both summaries.
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

stop_wine() {
  WINEPREFIX="$root/build/windows/wineprefix" wineserver -k >/dev/null 2>&1 || true
}
trap stop_wine EXIT

run_config host
run_config windows

echo
echo "== summary"
for s in "${summaries[@]}"; do echo "  $s"; done
exit $status
