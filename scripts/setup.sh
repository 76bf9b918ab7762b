#!/usr/bin/env bash
# setup.sh: makes a Debian 12 machine ready for Orvane and builds it: installs
# what is missing (as root, or through sudo), configures and builds into the
# build directory, and makes the build's own 32-bit Wine prefix.
#
#   scripts/setup.sh        build directory: $ORVANE_BUILD, else <repo>/build
#
# run-demo.sh and test.sh source this file and call its steps one by one.
set -euo pipefail

orvane_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
orvane_build=$(realpath -m "${ORVANE_BUILD:-$orvane_repo/build}")

# Everything the build, the demo and the tests use. fonts-wine gives Wine its
# dialog font and the caption buttons' symbols.
orvane_packages=(
  cmake make
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  googletest
  wine wine32 fonts-wine
  xvfb xauth x11-utils imagemagick
)

orvane_say() { echo "orvane: $*" >&2; }

orvane_as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null; then
    sudo "$@"
  else
    orvane_say "needs root or sudo for: $*"
    return 1
  fi
}

# Prints the packages of the list that are not installed, one a line.
orvane_missing_packages() {
  local package
  for package in "${orvane_packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -qx 'install ok installed' || echo "$package"
  done
}

# Installs the missing packages; apt is not touched when none is missing.
orvane_install() {
  local missing
  missing=$(orvane_missing_packages)
  [ -n "$missing" ] || return 0
  orvane_say "installing:" $missing
  # wine32 is a 32-bit package.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    orvane_as_root dpkg --add-architecture i386
  fi
  orvane_as_root env DEBIAN_FRONTEND=noninteractive apt-get -q -y update
  # shellcheck disable=SC2086  # one word per package
  orvane_as_root env DEBIAN_FRONTEND=noninteractive apt-get -q -y -o Dpkg::Use-Pty=0 install $missing
}

orvane_configure() {
  if [ ! -f "$orvane_build/CMakeCache.txt" ]; then
    cmake -S "$orvane_repo" -B "$orvane_build" -DCMAKE_TOOLCHAIN_FILE="$orvane_repo/cmake/mingw-i686.cmake"
  fi
}

# Builds the given targets, or everything.
orvane_build_targets() {
  local targets=()
  [ $# -eq 0 ] || targets=(--target "$@")
  cmake --build "$orvane_build" -j "$(nproc)" "${targets[@]}"
}

# The build's Wine prefix; scripts/wine-run makes it on first use.
orvane_prefix() {
  "$orvane_repo/scripts/wine-run" "$orvane_build" </dev/null
}

# What a program needs to run under Wine in the build's prefix.
orvane_wine_env() {
  export WINEPREFIX="$orvane_build/wineprefix" WINEARCH=win32
  export WINEDEBUG="${WINEDEBUG--all}"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
}

# A Unix path as Wine sees it on drive Z:.
orvane_winpath() {
  local path
  path=$(realpath -m "$1")
  echo "Z:${path//\//\\}"
}

# Starts Xvfb on a free display of the given size and exports DISPLAY; the
# server's process id is left in orvane_xvfb_pid for orvane_stop_display.
orvane_start_display() {
  local size=${1:-1024x768} n
  for n in $(seq 90 189); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp </dev/null >/dev/null 2>&1 &
    orvane_xvfb_pid=$!
    # Ready once its socket is there; gone if another server took the number.
    local tries
    for tries in $(seq 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$orvane_xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$orvane_xvfb_pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      export DISPLAY=":$n"
      return 0
    fi
    kill "$orvane_xvfb_pid" 2>/dev/null || true
    wait "$orvane_xvfb_pid" 2>/dev/null || true
  done
  orvane_xvfb_pid=
  orvane_say "no free X display for Xvfb"
  return 1
}

orvane_stop_display() {
  if [ -n "${orvane_xvfb_pid:-}" ]; then
    kill "$orvane_xvfb_pid" 2>/dev/null || true
    wait "$orvane_xvfb_pid" 2>/dev/null || true
    orvane_xvfb_pid=
  fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  orvane_install
  orvane_configure
  orvane_prefix
  orvane_build_targets
  orvane_say "built in $orvane_build"
fi
