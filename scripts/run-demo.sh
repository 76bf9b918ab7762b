#!/usr/bin/env bash
# run-demo.sh: sets up and builds Orvane, then runs it under Wine on the
# stand-in client's built-in demo network.
#
#   scripts/run-demo.sh                     a window on $DISPLAY; without a
#                                           display, a screenshot instead
#   scripts/run-demo.sh --screenshot FILE   the screenshot, to FILE (PNG)
#
# With a display, Orvane opens as any program does and the script ends when
# it is closed. Without one (or with --screenshot), the script starts a
# virtual X display, runs Orvane inside Wine's virtual desktop so that the
# frame and title bar are drawn, presses Enter so that a completed lookup
# shows, saves a PNG of the window, closes Orvane with Escape and says where
# the picture is. The stand-in's own variables (NWSIM_NETWORK, NWSIM_TRACE)
# pass through to it; Unix paths in them are handed on as Wine's Z: paths.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=setup.sh
source "$here/setup.sh"

shot=
if [ "${1:-}" = --screenshot ]; then
  [ $# -eq 2 ] || { orvane_say "usage: $0 [--screenshot FILE]"; exit 2; }
  shot=$(realpath -m "$2")
elif [ $# -gt 0 ]; then
  orvane_say "usage: $0 [--screenshot FILE]"
  exit 2
elif [ -z "${DISPLAY:-}" ]; then
  shot=$orvane_build/orvane-demo.png
fi

orvane_install
orvane_configure
orvane_prefix
# Just the program and the stand-in client; the tests are test.sh's.
orvane_build_targets Orvane nwsim calwin32 netwin32

orvane_wine_env
orvane=$orvane_build/window/Orvane.exe
# The stand-in DLLs are found on the path, never beside Orvane.exe.
export WINEPATH
WINEPATH=$(orvane_winpath "$orvane_build/simclient")
for var in NWSIM_NETWORK NWSIM_TRACE; do
  if [[ "${!var:-}" == /* ]]; then
    export "$var=$(orvane_winpath "${!var}")"
  fi
done

if [ -z "$shot" ]; then
  exec "$here/wine-run" "$orvane_build" "$orvane"
fi

# The helper that plays the user, built with the same compiler.
helper=$orvane_build/demo/demo-helper.exe
mkdir -p "$orvane_build/demo"
if [ ! -f "$helper" ] || [ "$here/demo-helper.cpp" -nt "$helper" ] ||
   [ "$orvane_repo/window/ControlIds.h" -nt "$helper" ]; then
  i686-w64-mingw32-g++-posix -std=c++20 -O2 -s -static -municode -mwindows -Wall -Wextra \
    -DUNICODE -D_UNICODE -I"$orvane_repo/window" "$here/demo-helper.cpp" -o "$helper"
fi

desktop=640x480
talk=$(mktemp -d "$orvane_build/demo/run.XXXXXX")
explorer_pid=
cleanup() {
  if [ -n "$explorer_pid" ] && kill -0 "$explorer_pid" 2>/dev/null; then
    kill "$explorer_pid" 2>/dev/null || true
    wait "$explorer_pid" 2>/dev/null || true
  fi
  orvane_stop_display
  rm -rf "$talk"
}
trap cleanup EXIT

orvane_start_display "$desktop"
"$here/wine-run" "$orvane_build" explorer "/desktop=Orvane,$desktop" \
  "$(orvane_winpath "$helper")" "$(orvane_winpath "$orvane")" "$(orvane_winpath "$talk")" \
  </dev/null >/dev/null 2>&1 &
explorer_pid=$!

# Waits up to $2 seconds for the file $1 from the helper, or its status.
await() {
  local i
  for i in $(seq $(($2 * 10))); do
    [ -f "$talk/$1" ] || [ -f "$talk/status" ] && return 0
    kill -0 "$explorer_pid" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}

if ! await window 120 || [ ! -f "$talk/window" ]; then
  orvane_say "the demo did not come up: $(cat "$talk/status" 2>/dev/null || echo 'no word from the helper')"
  exit 1
fi
read -r x y w h <"$talk/window"
mkdir -p "$(dirname "$shot")"
# The virtual desktop fills the screen, so desktop and screen pixels agree.
import -window root -crop "${w}x${h}+${x}+${y}" +repage "$shot"
touch "$talk/shot-taken"

if ! await status 30 || [ ! -f "$talk/status" ]; then
  orvane_say "Orvane did not close: no word from the helper"
  exit 1
fi
status=$(cat "$talk/status")
if [ "$status" != 0 ]; then
  orvane_say "Orvane did not end cleanly: $status"
  exit 1
fi
wait "$explorer_pid" 2>/dev/null || true
explorer_pid=
echo "Screenshot saved: $shot"
