#!/usr/bin/env bash
# Builds the release configuration (preset "release": product only, clang,
# symbols in PDB files) and packs what ships into dist/:
#   corvane-<version>-win64.zip          the broker, corvane-plugin.exe,
#       corvane_client.dll with its import libraries (MinGW and MSVC) and
#       headers, the CMake package, docs/, examples/, LICENSE, the archive's
#       README.md, CHANGELOG.md, SECURITY.md, THIRD-PARTY-NOTICES.txt
#   corvane-<version>-win64-symbols.zip  the PDB files, in the same layout, so
#       that unpacking both into one folder puts each PDB beside its binary
#   corvane-<version>-win64-tests.zip    the Windows test kit: every Windows
#       test program of the windows build with run-tests.cmd, for a stock
#       Windows 10/11 machine (scripts/make-test-kit.sh)
# The SDK archive also holds sbom.cdx.json (scripts/sbom.py, validated), and
# its three binaries are signed with Authenticode when CORVANE_SIGN_PFX and
# CORVANE_SIGN_PASSWORD_FILE are set (scripts/sign-binaries.sh); without
# them it packs unsigned and says so. CORVANE_DIST names another output
# folder than dist/.
# The first two are made from `cmake --install` into a staging folder, and each must
# hold exactly the expected files. Entries are sorted and dated at the last
# commit. (The archives' bytes still vary between runs: the zip writer also
# records each staged file's change time. The binaries inside do not.)
#
# Refused before building: a version without its dated CHANGELOG.md section
# ("## [X.Y.Z] - YYYY-MM-DD"), or entries still under "## [Unreleased]".
# Checked after packing, as a plug-in author would meet the archive: it is
# unpacked into an empty folder; both examples are built from it alone with
# the shipped cross toolchain file, which confines package searches to its
# root (so -Dcorvane_DIR=... as the README says), installed into a folder of
# their own and run under Wine; a plug-in in a folder of its own is loaded by
# a host's plain LoadLibraryW for each route (static library, loader with
# MinGW, loader for the MSVC ABI; tests/sdk/routes); a C program for
# the MSVC ABI (clang for x86_64-pc-windows-msvc, lld-link, no C runtime) is
# linked against the shipped corvane_client.lib and run under Wine; every
# export of the .def has its pointer type in corvane.h; the notices hold the
# GCC Runtime Library Exception.
#
# Usage: scripts/package.sh [build folder]   (default build/release-clang)
# Exit code: 0 when the three archives are made and hold what they should.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build=${1:-build/release-clang}
jobs=$(nproc 2>/dev/null || echo 2)

echo "== configure and build: release ($build)"
if ! cmake --preset release -B "$build" >/dev/null || ! cmake --build "$build" -j "$jobs"; then
  echo "== package: the release build FAILED" >&2
  exit 1
fi

# The version the build states, not a copy of it.
version=$(sed -n 's/^set(PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/package/corvaneConfigVersion.cmake")
if [ -z "$version" ]; then
  echo "== package: no version in $build/package/corvaneConfigVersion.cmake" >&2
  exit 1
fi
name=corvane-$version-win64

# A released archive carries its version's dated section, and nothing that
# is not released yet.
if ! grep -q -E "^## \[${version//./\\.}\] - [0-9]{4}-[0-9]{2}-[0-9]{2}\$" CHANGELOG.md; then
  echo "== package: CHANGELOG.md has no section '## [$version] - YYYY-MM-DD'" >&2
  exit 1
fi
unreleased=$(awk '/^## \[Unreleased\]/ {inside = 1; next} /^## / {inside = 0} inside && /^- /' CHANGELOG.md)
if [ -n "$unreleased" ]; then
  echo "== package: CHANGELOG.md still lists entries under [Unreleased]:" >&2
  echo "$unreleased" | sed 's/^/  /' >&2
  exit 1
fi

product=(
  CHANGELOG.md
  LICENSE
  README.md
  SECURITY.md
  THIRD-PARTY-NOTICES.txt
  bin/corvane-broker.exe
  bin/corvane-plugin.exe
  bin/corvane_client.dll
  cmake/mingw64-toolchain.cmake
  docs/protocol.md
  docs/sdk.md
  docs/troubleshooting.md
  examples/c-plugin/CMakeLists.txt
  examples/c-plugin/main.c
  examples/cpp-plugin/CMakeLists.txt
  examples/cpp-plugin/main.cpp
  include/corvane/corvane.h
  include/corvane/corvane.hpp
  include/corvane/loader.h
  include/corvane/version.h
  lib/cmake/corvane/corvaneConfig.cmake
  lib/cmake/corvane/corvaneConfigVersion.cmake
  lib/cmake/corvane/corvaneTargets-relwithdebinfo.cmake
  lib/cmake/corvane/corvaneTargets.cmake
  lib/corvane_client.def
  lib/corvane_client.dll.a
  lib/corvane_client.lib
  lib/libcorvane_client_static.a
  sbom.cdx.json
)
symbols=(
  bin/corvane-broker.pdb
  bin/corvane-plugin.pdb
  bin/corvane_client.pdb
)

stage=$(mktemp -d "${TMPDIR:-/tmp}/corvane-package.XXXXXX") || exit 1
trap 'rm -rf "$stage"' EXIT
dist=${CORVANE_DIST:-dist}
mkdir -p "$dist"
dist=$(cd "$dist" && pwd)
stamp=$(TZ=UTC git log -1 --format=%cd --date=format-local:'%Y-%m-%d %H:%M:%S' 2>/dev/null || echo '2000-01-01 00:00:00')
failures=0

# pack <component> <archive> <expected file ...>
pack() {
  local component=$1 archive=$2
  shift 2
  local dir=$stage/$component
  echo "== $archive"
  if ! cmake --install "$build" --prefix "$dir/$name" --component "$component" >/dev/null; then
    echo "  FAIL cmake --install --component $component"
    failures=$((failures + 1))
    return
  fi
  if ! finish_stage "$component" "$dir/$name"; then
    failures=$((failures + 1))
    return
  fi
  local found expected
  found=$(cd "$dir" && find "$name" -type f | LC_ALL=C sort)
  expected=$(printf "$name/%s\n" "$@" | LC_ALL=C sort)
  if [ "$found" != "$expected" ]; then
    echo "  FAIL the staged files are not the expected ones (< staged, > expected):"
    diff <(echo "$found") <(echo "$expected") | grep '^[<>]' | sed 's/^/    /'
    failures=$((failures + 1))
    return
  fi
  rm -f "$dist/$archive"
  echo "$found" >"$stage/$component.list"
  if ! (cd "$dir" && TZ=UTC cmake -E tar cf "$dist/$archive" --format=zip \
          --mtime="$stamp UTC" --files-from="$stage/$component.list"); then
    echo "  FAIL cmake -E tar"
    failures=$((failures + 1))
    return
  fi
  # What the archive holds, read back from it.
  local listed
  listed=$(cmake -E tar tf "$dist/$archive" | LC_ALL=C sort)
  echo "$listed" | sed 's/^/  /'
  if [ "$listed" != "$expected" ]; then
    echo "  FAIL the archive does not hold exactly the expected files"
    failures=$((failures + 1))
    return
  fi
  echo "  ok: $# files, $(wc -c <"$dist/$archive") bytes"
}

# finish_stage <component> <staged root>: the SDK archive's binaries signed
# (when a certificate is given) and, from the signed files, its SBOM.
finish_stage() {
  [ "$1" = corvane ] || return 0
  local staged=$2
  scripts/sign-binaries.sh "$staged/bin/corvane-broker.exe" "$staged/bin/corvane-plugin.exe" \
    "$staged/bin/corvane_client.dll" || return 1
  python3 scripts/sbom.py --version "$version" --root "$staged" --records "$build/link-records" \
    --notices notices --schema cmake/cyclonedx --out "$staged/sbom.cdx.json" \
    --stamp "$(TZ=UTC date -d "$stamp" +%s)"
}

# check_archive <archive>: the archive as a plug-in author meets it.
check_archive() {
  local archive=$dist/$1
  echo "== $1 from an empty folder"
  local work=$stage/adopter sdk
  mkdir -p "$work/unpacked"
  if ! (cd "$work/unpacked" && cmake -E tar xf "$archive"); then
    echo "  FAIL cannot unpack"
    failures=$((failures + 1))
    return
  fi
  sdk=$work/unpacked/$name
  local failed=() wine_prefix=$root/build/windows/wineprefix

  # Every export has its GetProcAddress pointer type.
  local export
  for export in $(sed -n 's/^ *\(corvane_[a-z_]*\)$/\1/p' "$sdk/lib/corvane_client.def"); do
    grep -q "(CORVANE_CALL\* ${export}_fn)" "$sdk/include/corvane/corvane.h" ||
      failed+=("no ${export}_fn in corvane.h")
    grep -q "^ *X(${export})" "$sdk/include/corvane/corvane.h" ||
      failed+=("${export} is not in CORVANE_ENTRY_POINTS (corvane.h), which corvane/loader.h fills")
  done
  grep -q "GCC RUNTIME LIBRARY EXCEPTION" "$sdk/THIRD-PARTY-NOTICES.txt" ||
    failed+=("THIRD-PARTY-NOTICES.txt lacks the GCC Runtime Library Exception")

  # The README's command, with the toolchain file the archive ships.
  local toolchain=$sdk/cmake/mingw64-toolchain.cmake
  local lang out rc
  declare -A greeting=([c]="hello from C" [cpp]="hello from C++")
  for lang in c cpp; do
    if ! cmake -S "$sdk/examples/$lang-plugin" -B "$work/build-$lang" -G Ninja \
           -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
           -Dcorvane_DIR="$sdk/lib/cmake/corvane" >"$work/$lang.log" 2>&1 ||
       ! cmake --build "$work/build-$lang" >>"$work/$lang.log" 2>&1 ||
       ! cmake --install "$work/build-$lang" --prefix "$work/example-$lang" >>"$work/$lang.log" 2>&1; then
      sed 's/^/    /' "$work/$lang.log"
      failed+=("$lang example: BUILD FAILED")
      continue
    fi
    out=$(cmake/wine-run.sh "$wine_prefix" "$work/example-$lang/bin/corvane-example-$lang.exe" 2>&1)
    rc=$?
    out=${out//$'\r'/}
    echo "$out" | sed "s/^/  [$lang] /"
    if [ "$rc" -ne 0 ] || ! grep -q "^  Greeting = \"${greeting[$lang]}\"\$" <<<"$out"; then
      failed+=("$lang example: exit code $rc or unexpected answers")
    fi
  done

  # The MSVC ABI: clang and lld-link, through the CMake package, which must
  # hand this toolchain the shipped corvane_client.lib.
  local msvc=$work/build-msvc
  if ! cmake -S tests/sdk/msvc -B "$msvc" -G Ninja -DCMAKE_BUILD_TYPE=Release \
         -DCMAKE_TOOLCHAIN_FILE="$root/tests/sdk/msvc/toolchain-clang-msvc.cmake" \
         -Dcorvane_DIR="$sdk/lib/cmake/corvane" >"$work/msvc.log" 2>&1 ||
     ! cmake --build "$msvc" -v >>"$work/msvc.log" 2>&1 ||
     ! cmake --install "$msvc" --prefix "$work/msvc-client" >>"$work/msvc.log" 2>&1; then
    sed 's/^/    /' "$work/msvc.log"
    failed+=("MSVC-ABI client: BUILD FAILED")
  elif ! grep -q -- "$sdk/lib/corvane_client.lib" "$work/msvc.log"; then
    failed+=("MSVC-ABI client: not linked against the shipped corvane_client.lib")
  else
    out=$(cmake/wine-run.sh "$wine_prefix" "$work/msvc-client/bin/corvane-msvc-client.exe" 2>&1)
    rc=$?
    echo "${out//$'\r'/}" | sed "s/^/  [msvc] /"
    [ "$rc" -eq 0 ] || failed+=("MSVC-ABI client: exit code $rc")
  fi

  check_archive_routes "$sdk" "$work" "$toolchain" || failed+=("plug-in routes: FAILED")
  # Nothing the checks built may land in the SDK itself.
  local sdk_bin
  sdk_bin=$(cd "$sdk/bin" && ls | tr '\n' ' ')
  [ "$sdk_bin" = "corvane-broker.exe corvane-plugin.exe corvane_client.dll " ] ||
    failed+=("the SDK's bin/ holds '$sdk_bin'")

  if [ ${#failed[@]} -eq 0 ]; then
    echo "  ok: both examples, the plug-in routes and the MSVC-ABI client built from the archive alone and ran"
  else
    printf '  FAIL %s\n' "${failed[@]}"
    failures=$((failures + 1))
  fi
}

# check_archive_routes <sdk> <work> <toolchain>: a plug-in in a folder of its
# own, loaded by a host's plain LoadLibraryW, for each route the SDK ships
# (tests/sdk/routes, built as a project of its own against the archive).
check_archive_routes() {
  local sdk=$1 work=$2 toolchain=$3 build=$2/build-routes
  if ! cmake -S tests/sdk/routes -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
         -DCMAKE_TOOLCHAIN_FILE="$toolchain" -Dcorvane_DIR="$sdk/lib/cmake/corvane" \
         >"$work/routes.log" 2>&1 ||
     ! cmake --build "$build" >>"$work/routes.log" 2>&1; then
    sed 's/^/    /' "$work/routes.log"
    return 1
  fi
  tests/sdk/routes/check-routes.sh "$build" "$sdk/bin" "$root/cmake/wine-run.sh" \
    "$root/build/windows/wineprefix" | sed 's/^/  [routes] /'
  return "${PIPESTATUS[0]}"
}

pack corvane "$name.zip" "${product[@]}"
pack corvane_symbols "$name-symbols.zip" "${symbols[@]}"
[ "$failures" -eq 0 ] && check_archive "$name.zip"
scripts/make-test-kit.sh build/windows "$dist/$name-tests.zip" "$version" "$stamp" ||
  failures=$((failures + 1))

if [ "$failures" -gt 0 ]; then
  echo "== package: $failures check(s) FAILED"
  exit 1
fi
echo "== package: $dist/$name.zip, $name-symbols.zip, $name-tests.zip"
