#!/usr/bin/env bash
# Builds every fuzz target with clang's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# into build/fuzz/bin (the list of targets and corpora: build/fuzz/fuzz-targets.txt).
# Installs clang when it is missing; the default build and CI need no clang.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"
if ! command -v clang++ >/dev/null || ! command -v clang >/dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends clang
fi
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFABRUN_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build "$build" --target fuzz -j "${FUZZ_BUILD_JOBS:-3}"
