#!/usr/bin/env bash
# Installs what the build needs and is missing (Debian 12). Safe to rerun.
# Usage: scripts/setup.sh [extra-package ...]
set -euo pipefail

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 googletest libgtest-dev
          clang libclang-rt-14-dev libbenchmark-dev lld llvm clang-format osslsigncode openssl python3-jsonschema "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
