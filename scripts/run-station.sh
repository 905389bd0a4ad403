#!/usr/bin/env bash
# Builds the station and runs it on the simulated bench: a simulated RZ522 on port 1 of a
# umockdev testbed, and the unmodified Fabrun in a station folder of its own
# (build/release/bench-station). Without a display it runs on Qt's offscreen platform;
# scripts/station-screenshots.sh then shows the window as PNG files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build-release.sh"
build="$root/build/release"
log="$build/station-debug.log"
: >"$log"
echo "== the station on the simulated bench (debug lines: $log)"
FABRUN_DEBUG_LOG="$log" umockdev-wrapper "$build/bin/fabrun-station-bench"
