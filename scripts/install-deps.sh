#!/usr/bin/env bash
# Installs whatever of the build and test tools is missing on a Debian machine.
#   install-deps.sh build   what building and running the program needs
#   install-deps.sh test    that, plus the browser, the Windows cross tools, Wine, npm packages and
#                           the tools that build and check the packages
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ pkg-config libsqlite3-dev libssl-dev python3)
if [ "${1:-build}" = test ]; then
  packages+=(libgtest-dev googletest nodejs npm chromium sqlite3
             g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
             wine wine64 xvfb xauth clang libclang-rt-14-dev
             dpkg-dev lintian desktop-file-utils appstream shared-mime-info libglib2.0-bin curl unzip nsis)
fi

missing=()
for p in "${packages[@]}"; do
  # Node.js from NodeSource carries npm itself and conflicts with Debian's npm package.
  if [ "$p" = npm ] && command -v npm >/dev/null; then continue; fi
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd=sudo
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi

if [ "${1:-build}" = test ] && [ -f package.json ]; then
  if [ ! -d node_modules ] || [ package-lock.json -nt node_modules ]; then
    npm ci --no-audit --no-fund --loglevel=error
  fi
fi
