#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail
pkgs=(cmake make mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
      libz-mingw-w64-dev googletest nasm dpkg-dev wine64 xvfb xauth imagemagick
      xdotool x11-apps python3 fonts-liberation zip unzip 7zip binutils-mingw-w64-x86-64 binutils-mingw-w64-i686)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-packages: installing ${missing[*]}" >&2
  sudo_=""; [ "$(id -u)" -eq 0 ] || sudo_=sudo
  $sudo_ apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_ apt-get install -y -qq "${missing[@]}" >/dev/null
fi
