#!/usr/bin/env bash
# Installs every Debian package that building, the demo and the tests need.
# Quick when everything is already there: it only calls apt when a package is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev python3
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 fonts-wine xvfb xauth
  fonts-ipafont-gothic locales
  googletest libgtest-dev libbenchmark-dev valgrind
  zlib1g-dev libdeflate-dev libdeflate-tools libzopfli-dev libtomlplusplus-dev
  osslsigncode openssl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Japanese tests run under LANG=ja_JP.UTF-8.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "bootstrap: generating ja_JP.UTF-8"
  as_root sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi

# The shipped i686 build's Wine tests run through a 32-bit runner kept in its build folder.
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/cmake/wine32-runner.sh" prepare "$root/build/win32/wine32"
