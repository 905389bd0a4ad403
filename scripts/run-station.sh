#!/usr/bin/env bash
# Builds the station and runs it on the simulated bench: a simulated RZ522 on port 1 of a
# umockdev testbed, and the unmodified Fabrun in a station folder of its own
# (build/release/bench-station). Without a display, where nobody can press a port's
# button, it first runs one chip-mode download on a simulated chip as port 1 runs it and
# prints the result text; the station then runs on Qt's offscreen platform until Ctrl+C
# (scripts/station-screenshots.sh shows the window as PNG files).
# With --flash-drive the station runs in flash-drive mode on a simulated flash drive with
# NAND on port 1 of the 32-port view; without a display it first runs port 1's whole
# flash-drive sequence as the port's button does and prints the result text.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mode=chip
case "${1:-}" in
  "") ;;
  --flash-drive) mode=flash-drive ;;
  *) echo "usage: $0 [--flash-drive]" >&2; exit 2 ;;
esac
"$root/scripts/build-release.sh"
build="$root/build/release"
log="$build/station-debug.log"
: >"$log"
if [ "$mode" = flash-drive ]; then
  echo "== the station in flash-drive mode on the simulated bench (debug lines: $log)"
  FABRUN_DEBUG_LOG="$log" exec umockdev-wrapper "$build/bin/fabrun-station-bench" --flash-drive
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "== a chip-mode download on the simulated bench, as port 1 runs it"
  FABRUN_DEBUG_LOG="$log" umockdev-wrapper "$build/bin/fabrun-chip-bench" | grep -v -e ": progress " -e "^CALL_VDR_" -e "^$" ||
    echo "== the download on the bench did not pass"
fi
echo "== the station on the simulated bench (debug lines: $log)"
FABRUN_DEBUG_LOG="$log" umockdev-wrapper "$build/bin/fabrun-station-bench"
