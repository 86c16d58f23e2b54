#!/usr/bin/env bash
# The signing of scripts/package.sh, proved with a throwaway certificate.
#   check-signing.sh make-cert DIR       a root CA and a code-signing
#       certificate it issued, made with openssl into DIR: root.pem,
#       signer.pfx (key, certificate and root) and password
#   check-signing.sh verify DIR ARCHIVE  the archive's corvane-broker.exe,
#       corvane-plugin.exe and corvane_client.dll each verify against
#       DIR/root.pem (osslsigncode verify -CAfile); a copy with one byte
#       flipped does not; the signed programs run under Wine, the signed
#       DLL loaded by the windows build's C test program.
# Exit code: 0 when all of that holds.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
mode=$1 pki=$2

if [ "$mode" = make-cert ]; then
  mkdir -p "$pki" && cd "$pki" || exit 1
  head -c 18 /dev/urandom | base64 >password
  openssl req -x509 -newkey rsa:3072 -nodes -sha256 -days 2 -subj "/CN=Corvane throwaway root" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign \
    -keyout root.key -out root.pem 2>/dev/null &&
  openssl req -newkey rsa:3072 -nodes -sha256 -subj "/CN=Corvane throwaway signer" \
    -keyout signer.key -out signer.csr 2>/dev/null &&
  printf '%s\n' "basicConstraints=CA:FALSE" "keyUsage=critical,digitalSignature" \
    "extendedKeyUsage=codeSigning" >signer.ext &&
  openssl x509 -req -in signer.csr -CA root.pem -CAkey root.key -CAcreateserial -days 2 \
    -sha256 -extfile signer.ext -out signer.pem 2>/dev/null &&
  openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile root.pem \
    -passout "file:password" -out signer.pfx || { echo "  FAIL openssl"; exit 1; }
  exit 0
fi

archive=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-signed.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$archive") || { echo "  FAIL cannot unpack $archive"; exit 1; }
bin=$(echo "$work"/*/bin)
failed=()
for file in corvane-broker.exe corvane-plugin.exe corvane_client.dll; do
  if osslsigncode verify -CAfile "$pki/root.pem" -in "$bin/$file" >"$work/verify.log" 2>&1; then
    echo "  verified: $file ($(grep -m1 -o 'Message digest algorithm *: *[A-Z0-9]*' "$work/verify.log" | tr -s ' '))"
  else
    sed 's/^/    /' "$work/verify.log"
    failed+=("$file does not verify")
  fi
  grep -q 'SHA256' "$work/verify.log" || failed+=("$file: not a SHA-256 signature")
  # One byte in the middle of the signed image, flipped.
  cp "$bin/$file" "$work/flipped"
  local_offset=$(($(stat -c %s "$work/flipped") / 2))
  byte=$(od -An -tu1 -j "$local_offset" -N1 "$work/flipped" | tr -d ' ')
  printf "$(printf '\\%03o' $((byte ^ 0xff)))" |
    dd of="$work/flipped" bs=1 seek="$local_offset" conv=notrunc status=none
  if osslsigncode verify -CAfile "$pki/root.pem" -in "$work/flipped" >/dev/null 2>&1; then
    failed+=("$file with a flipped byte still verifies")
  else
    echo "  refused: $file with byte $local_offset flipped"
  fi
done

# The signed files still run: the tool starts the signed broker beside it,
# and the windows build's C test program loads the signed DLL.
prefix=$root/build/windows/wineprefix
out=$(cmake/wine-run.sh "$prefix" "$bin/corvane-plugin.exe" ping 2>&1)
echo "${out//$'\r'/}" | sed 's/^/  [signed tool] /'
grep -q 'Ok' <<<"$out" || failed+=("the signed corvane-plugin.exe and broker did not answer ping")
cp build/windows/bin/sdk_c_api_test.exe "$bin/"
if cmake/wine-run.sh "$prefix" "$bin/sdk_c_api_test.exe" >"$work/dll.log" 2>&1; then
  echo "  [signed dll] sdk_c_api_test passed against the signed corvane_client.dll and broker"
else
  tail -20 "$work/dll.log" | sed 's/^/    /'
  failed+=("sdk_c_api_test failed against the signed DLL")
fi

if [ ${#failed[@]} -gt 0 ]; then
  printf '  FAIL %s\n' "${failed[@]}"
  exit 1
fi
