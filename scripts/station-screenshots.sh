#!/usr/bin/env bash
# Builds the station and renders its main window on the simulated bench in the 16-port
# view, idle, while port 1 runs, after a pass and after a fail, its About box and the settings
# sheet with the chip page and with the flash-drive page, as PNG files in build/release/screenshots.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build-release.sh"
build="$root/build/release"
log="$build/screenshots-debug.log"
: >"$log"
FABRUN_DEBUG_LOG="$log" umockdev-wrapper "$build/bin/fabrun-station-screenshots" "$build/screenshots" | grep -E "^(wrote|could not)"
