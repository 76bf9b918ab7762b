#!/usr/bin/env bash
# test.sh: sets up and builds Orvane with its tests, and runs the whole suite
# through CTest under Wine, on a virtual X display of its own.
#
#   scripts/test.sh [CTEST ARGS...]     e.g. -R Resources, or -j2
#
# The suite drives windows with real keyboard input, which goes to the
# foreground window: a private Xvfb keeps a desktop in use out of its way.
# The Wine server runs for the whole suite, so that no test pays for
# starting one, and is stopped at the end with every Wine process left.
# Exits with CTest's status.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=setup.sh
source "$here/setup.sh"

orvane_install
orvane_configure
orvane_prefix
orvane_wine_env

server_started=
cleanup() {
  [ -z "$server_started" ] || wineserver -k 2>/dev/null || true
  orvane_stop_display
}
trap cleanup EXIT

orvane_start_display 1024x768
wineserver -p
server_started=1
# Wine's helper processes (services, explorer) start with the first program
# and live as long as the server; started here, they hold no test's output.
"$here/wine-run" "$orvane_build" wineboot </dev/null >/dev/null 2>&1 || true

# The build lists each test program's tests by running it under Wine.
orvane_build_targets

status=0
(cd "$orvane_build" && ctest --output-on-failure "$@" </dev/null) || status=$?
exit "$status"
