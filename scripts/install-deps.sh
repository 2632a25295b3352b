#!/bin/sh
# Installs the Debian packages the build and the tests need, when missing.
# As root it runs apt-get; otherwise it prints the line to run and stops.
# `install-deps.sh windows` adds the cross compiler and Wine for the Windows
# build and its tests, which `make test` does not need.
set -eu

packages="g++ make cmake libgtest-dev geographiclib-tools binutils srecord clang libclang-rt-14-dev strace"
windows_packages="g++-mingw-w64-x86-64-posix wine wine64"
if [ "${1:-}" = "windows" ]; then
  packages="$packages $windows_packages"
fi

missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "Installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q || true
  apt-get install -y -q --no-install-recommends $missing
else
  echo "Missing packages:$missing"
  echo "Run: sudo apt-get install -y$missing"
  exit 1
fi
