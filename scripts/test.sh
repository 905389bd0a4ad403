#!/usr/bin/env bash
# Installs the build dependencies, builds the station twice (optimised, and Debug with
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs every test of both builds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
jobs=$(nproc)
status=0
for flavour in release sanitize; do
  build="$root/build/$flavour"
  if [ "$flavour" = release ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  else
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DFABRUN_SANITIZE=ON >/dev/null
  fi
  cmake --build "$build" -j "$jobs"
  echo "== tests: $flavour build"
  ctest --test-dir "$build" -j "$jobs" --output-on-failure || status=1
done
exit $status
