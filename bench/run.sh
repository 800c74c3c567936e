#!/usr/bin/env bash
# Speed and memory of Driftway against surf (and Falkon on a heavy page),
# printed as one table.
# Usage: bench/run.sh BUILD_DIR [--skip-refresh]   (make bench builds and calls it)
# BENCH_RUNS=N sets the number of cold runs of each measurement (default 7).
# Memory is read from /proc/PID/pagemap, whose frame numbers only root sees.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)

for need in "$build/Driftway" "$build/bench/title_probe" "$build/bench/tree_memory" \
    "$build/bench/favourites_refresh"; do
  if [ ! -x "$need" ]; then
    echo "bench: $need is missing; build with 'make bench'" >&2
    exit 1
  fi
done
for tool in surf falkon xvfb-run xdotool xprop dbus-run-session gdbus python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "bench: $tool is missing; 'make bench' installs it" >&2
    exit 1
  fi
done
if [ ! -f /usr/share/doc/nodejs/api/all.html ]; then
  echo "bench: the heavy page (nodejs-doc) is missing; 'make bench' installs it" >&2
  exit 1
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "bench: run as root: distinct pages are counted from physical frame numbers" >&2
  exit 1
fi

# One X server and one session bus for the whole table, so that every run of
# either browser meets the same display and the same desktop services. What
# the servers, desktop services and browsers print goes to a log, shown only
# when the bench fails; the table reaches the terminal through descriptor 3.
if [ -z "${DRIFTWAY_BENCH_LOG:-}" ]; then
  DRIFTWAY_BENCH_LOG=$(mktemp /tmp/driftway-bench-XXXXXX.log)
  export DRIFTWAY_BENCH_LOG
  status=0
  exec 3>&1
  xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- bash "$0" "$build" "${@:2}" \
    >>"$DRIFTWAY_BENCH_LOG" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    echo "bench: failed; the end of $DRIFTWAY_BENCH_LOG:" >&2
    tail -n 20 "$DRIFTWAY_BENCH_LOG" >&2
  else
    rm -f "$DRIFTWAY_BENCH_LOG"
  fi
  exit "$status"
fi
exec python3 "$here/measure.py" "$build" "${@:2}" >&3
