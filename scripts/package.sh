#!/usr/bin/env bash
# Builds the release configuration (preset "release": product only, clang,
# symbols in PDB files) and packs what ships into dist/:
#   corvane-<version>-win64.zip          the broker, corvane-plugin.exe,
#       corvane_client.dll with its import library and headers, the CMake
#       package, LICENSE, README.md, CHANGELOG.md, SECURITY.md
#   corvane-<version>-win64-symbols.zip  the PDB files, in the same layout, so
#       that unpacking both into one folder puts each PDB beside its binary
# Both are made from `cmake --install` into a staging folder, and each must
# hold exactly the expected files. Entries are sorted and dated at the last
# commit. (The archives' bytes still vary between runs: the zip writer also
# records each staged file's change time. The binaries inside do not.)
#
# Usage: scripts/package.sh [build folder]   (default build/release-clang)
# Exit code: 0 when both archives are made and hold what they should.
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

product=(
  CHANGELOG.md
  LICENSE
  README.md
  SECURITY.md
  bin/corvane-broker.exe
  bin/corvane-plugin.exe
  bin/corvane_client.dll
  include/corvane/corvane.h
  include/corvane/corvane.hpp
  lib/cmake/corvane/corvaneConfig.cmake
  lib/cmake/corvane/corvaneConfigVersion.cmake
  lib/cmake/corvane/corvaneTargets-relwithdebinfo.cmake
  lib/cmake/corvane/corvaneTargets.cmake
  lib/corvane_client.dll.a
)
symbols=(
  bin/corvane-broker.pdb
  bin/corvane-plugin.pdb
  bin/corvane_client.pdb
)

stage=$(mktemp -d "${TMPDIR:-/tmp}/corvane-package.XXXXXX") || exit 1
trap 'rm -rf "$stage"' EXIT
mkdir -p dist
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
  local found expected
  found=$(cd "$dir" && find "$name" -type f | LC_ALL=C sort)
  expected=$(printf "$name/%s\n" "$@" | LC_ALL=C sort)
  if [ "$found" != "$expected" ]; then
    echo "  FAIL the staged files are not the expected ones (< staged, > expected):"
    diff <(echo "$found") <(echo "$expected") | grep '^[<>]' | sed 's/^/    /'
    failures=$((failures + 1))
    return
  fi
  rm -f "dist/$archive"
  echo "$found" >"$stage/$component.list"
  if ! (cd "$dir" && TZ=UTC cmake -E tar cf "$root/dist/$archive" --format=zip \
          --mtime="$stamp UTC" --files-from="$stage/$component.list"); then
    echo "  FAIL cmake -E tar"
    failures=$((failures + 1))
    return
  fi
  # What the archive holds, read back from it.
  local listed
  listed=$(cmake -E tar tf "dist/$archive" | LC_ALL=C sort)
  echo "$listed" | sed 's/^/  /'
  if [ "$listed" != "$expected" ]; then
    echo "  FAIL the archive does not hold exactly the expected files"
    failures=$((failures + 1))
    return
  fi
  echo "  ok: $# files, $(wc -c <"dist/$archive") bytes"
}

pack corvane "$name.zip" "${product[@]}"
pack corvane_symbols "$name-symbols.zip" "${symbols[@]}"

if [ "$failures" -gt 0 ]; then
  echo "== package: $failures check(s) FAILED"
  exit 1
fi
echo "== package: dist/$name.zip, dist/$name-symbols.zip"
