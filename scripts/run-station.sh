#!/usr/bin/env bash
# Builds the station and runs it on the simulated bench.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build="$root/build/release"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"
echo "The station's foundation is built; the bench run arrives with chip mode."
