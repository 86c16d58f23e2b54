#!/usr/bin/env bash
# Installs what is missing, builds both configurations and runs every suite:
# the host build (unit tests under AddressSanitizer and UBSan, brief fuzz
# runs) and the Windows build (tests under Wine). Also checks the formatting
# of every C++ file, and the release build (clang, PDB symbols): warning-free,
# debug information only in the PDB files, reproducible from two folders;
# the SDK package (the examples built against an installed SDK and run under
# Wine) and the release archives (scripts/package.sh, which also builds and
# runs the examples and an MSVC-ABI client from the unpacked SDK archive).
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
  if [ "$preset" = windows ]; then
    # The prefix made and its services started before any test runs: on a
    # fresh machine the first start takes tens of seconds, which a test
    # started meanwhile would spend out of its own time limit.
    cmake/wine-run.sh build/windows/wineprefix cmd /c exit </dev/null >/dev/null 2>&1
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
  # The PE flags, version resources and manifests, read by the system under
  # Wine: the Windows build's test program, run beside the release binaries.
  echo "== check: release binaries under Wine"
  local staged
  staged=$(mktemp -d)
  if cp build/release-clang/bin/*.exe build/release-clang/bin/*.dll "$staged"/ &&
    cp build/windows/bin/release_binaries_test.exe "$staged"/ &&
    cmake/wine-run.sh build/windows/wineprefix "$staged/release_binaries_test.exe"; then
    summaries+=("release: PE flags, version resources and manifests ok")
  else
    summaries+=("release: PE or resource check FAILED")
    status=1
  fi
  rm -rf "$staged"
  echo "== check: release build reproducible"
  if scripts/check-reproducible.sh --working-tree; then
    summaries+=("release: reproducible (two folders, identical executables and PDBs)")
  else
    summaries+=("release: NOT REPRODUCIBLE")
    status=1
  fi
}

# The SDK as a plug-in author meets it: installed from the `windows` build
# (which has tests: only the product may land) into a fresh prefix, the two
# examples configured against it with find_package alone, built with a strict
# warning set that also covers the SDK's headers, installed into folders of
# their own (each with the DLL and the broker beside it, the SDK's bin left
# as it was), and run there under Wine.
check_sdk_package() {
  echo "== SDK package: install, build the examples against it, run them"
  local work prefix
  work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-sdk.XXXXXX") || { summaries+=("sdk package: FAILED (no temporary folder)"); status=1; return; }
  prefix=$work/prefix
  local failed=()
  if ! cmake --install build/windows --prefix "$prefix" >/dev/null; then
    summaries+=("sdk package: INSTALL FAILED")
    status=1
    rm -rf "$work"
    return
  fi
  local bin
  bin=$(cd "$prefix/bin" && ls | tr '\n' ' ')
  [ "$bin" = "corvane-broker.exe corvane-plugin.exe corvane_client.dll " ] ||
    failed+=("bin/ holds '$bin'")
  # Usage requirements only: the project's warning flags stay behind.
  if grep -l -E -e '-Werror|-Wconversion|corvane_options' "$prefix"/lib/cmake/corvane/*.cmake; then
    failed+=("the exported targets carry the project's build flags")
  fi
  local strict="-Wall -Wextra -Wpedantic -Werror -Wconversion -Wsign-conversion -Wshadow"
  local lang out rc
  declare -A greeting=([c]="hello from C" [cpp]="hello from C++") compiler=([c]=C [cpp]=CXX)
  for lang in c cpp; do
    if ! cmake -S "examples/$lang-plugin" -B "$work/$lang" -G Ninja \
           -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
           -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix" \
           -DCMAKE_NO_SYSTEM_FROM_IMPORTED=ON \
           -DCMAKE_${compiler[$lang]}_FLAGS="$strict" >/dev/null ||
       ! cmake --build "$work/$lang" ||
       ! cmake --install "$work/$lang" --prefix "$work/example-$lang" >/dev/null; then
      failed+=("$lang example: BUILD FAILED")
      continue
    fi
    out=$(cmake/wine-run.sh build/windows/wineprefix "$work/example-$lang/bin/corvane-example-$lang.exe" 2>&1)
    rc=$?
    out=${out//$'\r'/}  # the C runtime writes CR LF
    echo "$out" | sed "s/^/  [$lang] /"
    if [ "$rc" -ne 0 ]; then
      failed+=("$lang example: exit code $rc")
    elif ! grep -q '^ping: Ok' <<<"$out" ||
         ! grep -q "^  Greeting = \"${greeting[$lang]}\"\$" <<<"$out" ||
         ! grep -q '^delete-tree: Ok' <<<"$out"; then
      failed+=("$lang example: unexpected answers")
    fi
  done
  bin=$(cd "$prefix/bin" && ls | tr '\n' ' ')
  [ "$bin" = "corvane-broker.exe corvane-plugin.exe corvane_client.dll " ] ||
    failed+=("after the examples, bin/ holds '$bin'")
  rm -rf "$work"
  if [ ${#failed[@]} -eq 0 ]; then
    summaries+=("sdk package: ok (installed, C and C++ examples built with find_package and run)")
  else
    printf '  FAIL %s\n' "${failed[@]}"
    summaries+=("sdk package: FAILED (${failed[*]})")
    status=1
  fi
}

# The release archives: exactly the expected files in each, and the SDK
# archive working from an empty folder (examples, MSVC-ABI client, Wine).
# Packed into build/test-dist with a throwaway certificate, so that the
# signing is proved on the archive itself (the reproducibility check above
# ran on the unsigned build); the SBOM is validated by the package step.
check_package() {
  echo "== package: release archives, signed with a throwaway certificate"
  local pki=build/test-pki dist=build/test-dist
  rm -rf "$pki" "$dist"
  if ! scripts/check-signing.sh make-cert "$pki"; then
    summaries+=("package: FAILED (no throwaway certificate)")
    status=1
    return
  fi
  if CORVANE_DIST=$dist CORVANE_SIGN_PFX=$pki/signer.pfx CORVANE_SIGN_PASSWORD_FILE=$pki/password \
     scripts/package.sh; then
    summaries+=("package: ok (archives hold exactly the expected files; examples and MSVC-ABI client built from the SDK archive and run; SBOM valid and naming every linked component)")
  else
    summaries+=("package: FAILED")
    status=1
    rm -rf "$pki"
    return
  fi
  echo "== package: signatures"
  if scripts/check-signing.sh verify "$pki" "$(ls "$dist"/corvane-*-win64.zip)"; then
    summaries+=("signing: ok (each binary verifies against the throwaway root, a flipped byte is refused, signed binaries run)")
  else
    summaries+=("signing: FAILED")
    status=1
  fi
  rm -rf "$pki"
  echo "== package: the Windows test kit, run as a Windows user would"
  local log
  log=$(mktemp)
  if scripts/check-test-kit.sh "$(ls "$dist"/corvane-*-win64-tests.zip)" | tee "$log"; then
    summaries+=("test kit: $(sed -n 's/^  ok: //p' "$log")")
  else
    summaries+=("test kit: FAILED")
    status=1
  fi
  rm -f "$log"
}

stop_wine() {
  WINEPREFIX="$root/build/windows/wineprefix" wineserver -k >/dev/null 2>&1 || true
}
trap stop_wine EXIT

check_format
run_config host
run_config windows
check_sdk_package
check_release
check_package

echo
echo "== summary"
for s in "${summaries[@]}"; do echo "  $s"; done
exit $status
