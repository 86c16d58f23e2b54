#!/usr/bin/env bash
# pe-stamp.sh IMAGE
# Sets the TimeDateStamp of a PE image's file header to the first four bytes
# of the SHA-256 of the image with that field zeroed: a value derived from
# the content, as lld's -Brepro makes it, for GNU ld, which has no such mode
# (its choice is the link time or 0; it is linked with 0). Symbol servers
# index a binary by this stamp and its image size.
set -euo pipefail
image=$1
# e_lfanew, at 0x3C, is where the "PE\0\0" signature starts; the stamp is the
# file header's third field, 8 bytes after it.
header=$(od -An -tu4 -j60 -N4 "$image" | tr -d ' ')
offset=$((header + 8))
zeroed=$(mktemp)
trap 'rm -f "$zeroed"' EXIT
cp "$image" "$zeroed"
printf '\0\0\0\0' | dd of="$zeroed" bs=1 seek="$offset" conv=notrunc status=none
hash=$(sha256sum "$zeroed" | cut -c1-8)
# The field is little-endian: the hash's first byte goes last.
printf "\\x${hash:6:2}\\x${hash:4:2}\\x${hash:2:2}\\x${hash:0:2}" |
  dd of="$image" bs=1 seek="$offset" conv=notrunc status=none
