#!/usr/bin/env bash
# bench.sh: builds Orvane, the baseline window and the benchmark program, runs
# the benchmarks under Wine on a virtual X display of their own, and prints
# the Markdown table with the date and the machine it came from.
#
#   scripts/bench.sh [--quick] [startup] [lookup] [size] [soak]
#
# With no part named, all four run (a few minutes). --quick makes a few runs
# of each, to see that it works. Progress goes to standard error, the table
# to standard output. Build directory: $ORVANE_BUILD, else <repo>/build.
# ORVANE_DISPLAY=:N uses that (virtual) X display instead of starting one.
#
# Other work on the machine shows in the figures; the load average at the
# start is printed with them.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=setup.sh
source "$here/setup.sh"

orvane_install
orvane_configure
# A build directory made before the benchmarks existed learns of them here.
cmake -DORVANE_BENCH=ON "$orvane_build" >/dev/null
orvane_prefix
orvane_wine_env

server_started=
cleanup() {
  [ -z "$server_started" ] || wineserver -k 2>/dev/null || true
  orvane_stop_display
}
trap cleanup EXIT

# Build output goes with the progress, to standard error.
orvane_build_targets orvbench >&2

if [ -n "${ORVANE_DISPLAY:-}" ]; then
  export DISPLAY=$ORVANE_DISPLAY
else
  orvane_start_display 1024x768
fi
# One Wine server for the whole run, with Wine's helper processes started
# before the first measurement, so that no figure pays for starting them. A
# server that already runs for the prefix (-p refuses then) is left running.
if wineserver -p 2>/dev/null; then server_started=1; fi
"$here/wine-run" "$orvane_build" wineboot </dev/null >/dev/null 2>&1 || true

model=$(lscpu | sed -n 's/^Model name: *//p' | head -n1)
echo "Orvane benchmarks, $(date '+%Y-%m-%d %H:%M %Z'); $(nproc) cores, ${model:-unknown CPU};" \
     "$(wine --version); load average at the start $(cut -d' ' -f1-3 /proc/loadavg)"
echo
"$here/wine-run" "$orvane_build" "$orvane_build/bench/orvbench.exe" "$@" </dev/null
