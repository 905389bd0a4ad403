#!/usr/bin/env bash
# Builds the station and runs a chip-mode download on the simulated bench: a simulated
# RZ522 on a umockdev testbed, the unmodified chip-mode worker on port 1. It prints the
# port's progress and result text; the station's debug lines go to a log file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build="$root/build/release"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"
log="$build/chip-bench-debug.log"
: >"$log"
echo "== chip-mode download on the simulated bench (debug lines: $log)"
FABRUN_DEBUG_LOG="$log" umockdev-wrapper "$build/bin/fabrun-chip-bench"
