#!/bin/sh
# Installs what building, running and testing Gaugelet need on Debian 12.
# Quiet and quick when everything is already there.
set -e
packages="cmake ninja-build g++ make python3 googletest libgtest-dev libbenchmark-dev
 clang libclang-rt-14-dev
 g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32
 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
 wine wine64 wine32:i386 xvfb xdotool x11-apps x11-utils imagemagick procps gnuplot-nox"

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing:$missing"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $packages >/dev/null
