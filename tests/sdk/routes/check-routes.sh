#!/usr/bin/env bash
# check-routes.sh ROUTES SDK_BIN RUNNER...
# A host that loads a plug-in from a folder of its own with plain
# LoadLibraryW, once per way a plug-in can reach the client. ROUTES holds
# route_host.exe and the route plug-ins (CMakeLists.txt here), SDK_BIN
# corvane_client.dll and corvane-broker.exe; RUNNER runs a Windows program
# (cmake/wine-run.sh <prefix>). Each row gets a folder of its own:
#   <row>/host/route_host.exe
#   <row>/host/plugins/<row>/plugin.dll   and the files the row puts beside it
# and the host runs from <row>, so that neither its folder nor the current
# one holds corvane_client.dll. Exit code 0 when every row answers as listed.
set -uo pipefail
routes=$1 sdk_bin=$2
shift 2

# row            plug-in                  beside it (besides the broker)  the host prints
rows=(
  "static        route_static.dll         -                               loaded: ok"
  "loader        route_loader.dll         corvane_client.dll              loaded: ok"
  "msvc-loader   route_msvc_loader.dll    corvane_client.dll              loaded: ok"
  "import        route_import.dll         corvane_client.dll              load failed: error 126"
  "loader-no-dll route_loader.dll         -                               loaded: load: corvane_client.dll: cannot load *corvane_client.dll: system error 126"
  "loader-no-api route_loader.dll         route_static.dll                loaded: load: corvane_client.dll: no entry point corvane_version in *"
)

work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-routes.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
failures=0
for row in "${rows[@]}"; do
  read -r name plugin beside expected <<<"$row"
  folder=$work/$name/host/plugins/$name
  mkdir -p "$folder"
  cp "$routes/route_host.exe" "$work/$name/host/" &&
    cp "$routes/$plugin" "$folder/plugin.dll" &&
    cp "$sdk_bin/corvane-broker.exe" "$folder/" || { failures=$((failures + 1)); continue; }
  # A DLL that is not the client stands in for it under the client's name.
  [ "$beside" = - ] || cp "$routes/$beside" "$folder/corvane_client.dll" 2>/dev/null ||
    cp "$sdk_bin/$beside" "$folder/corvane_client.dll" || { failures=$((failures + 1)); continue; }
  out=$(cd "$work/$name" && "$@" "$work/$name/host/route_host.exe" "$name" 2>&1)
  out=${out//$'\r'/}
  # shellcheck disable=SC2053  # the expected answer is a pattern
  if [[ "$out" == $expected ]]; then
    echo "ok   $name: $out"
  else
    echo "FAIL $name: $out"
    echo "     expected: $expected"
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] && echo "== every route answered as expected" || echo "== $failures route(s) FAILED"
[ "$failures" -eq 0 ]
