#!/usr/bin/env bash
# Signs the shipped binaries in place with Authenticode (SHA-256) when a
# certificate is given, using osslsigncode:
#   CORVANE_SIGN_PFX            a PKCS#12 file with the key and its chain
#   CORVANE_SIGN_PASSWORD_FILE  a file holding its password (first line)
#   CORVANE_SIGN_TIMESTAMP_URL  optional: an RFC 3161 time-stamp server
# Without CORVANE_SIGN_PFX it signs nothing and says so.
# Usage: scripts/sign-binaries.sh FILE...
# Exit code: 0 when every file is signed (or signing is off), 1 otherwise.
set -uo pipefail

if [ -z "${CORVANE_SIGN_PFX:-}" ]; then
  echo "  unsigned: CORVANE_SIGN_PFX is not set (see docs/windows-test-kit.md for signing)"
  exit 0
fi
if [ ! -r "$CORVANE_SIGN_PFX" ] || [ ! -r "${CORVANE_SIGN_PASSWORD_FILE:-}" ]; then
  echo "  FAIL signing: CORVANE_SIGN_PFX and CORVANE_SIGN_PASSWORD_FILE must name readable files" >&2
  exit 1
fi
if ! command -v osslsigncode >/dev/null; then
  echo "  FAIL signing: osslsigncode is not installed (scripts/setup.sh installs it)" >&2
  exit 1
fi

timestamp=()
[ -n "${CORVANE_SIGN_TIMESTAMP_URL:-}" ] && timestamp=(-ts "$CORVANE_SIGN_TIMESTAMP_URL")
failed=0
for file in "$@"; do
  # osslsigncode writes a new file; the signed one replaces the original.
  if osslsigncode sign -pkcs12 "$CORVANE_SIGN_PFX" -readpass "$CORVANE_SIGN_PASSWORD_FILE" \
       -h sha256 "${timestamp[@]}" -in "$file" -out "$file.signed" >"$file.log" 2>&1 &&
     mv -f "$file.signed" "$file"; then
    echo "  signed: $(basename "$file")${timestamp:+ (time-stamped)}"
  else
    sed 's/^/    /' "$file.log" >&2
    echo "  FAIL signing $(basename "$file")" >&2
    rm -f "$file.signed"
    failed=1
  fi
  rm -f "$file.log"
done
exit $failed
