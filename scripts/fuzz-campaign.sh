#!/usr/bin/env bash
# Runs a fuzzing campaign: every fuzz target (or the ones named) for N minutes each, with
# libFuzzer's fork mode, on at most FUZZ_CORES cores in all (default 4; each target gets
# FUZZ_FORK of them, default 2, so FUZZ_CORES/FUZZ_FORK targets run at once).
#
#   scripts/fuzz-campaign.sh [minutes per target, default 10] [target...]
#
# (FUZZ_SECONDS, when set, gives the time per target in seconds instead.)
# Scratch files (the growing corpora, the files the targets write) live in /dev/shm and are
# removed at the end. What is kept goes to build/fuzz/campaign/<time>/: each target's log, its
# findings (inputs that broke a property, crashed, leaked or hung) and its corpus merged to
# the inputs that add coverage, for anyone who wants to add seeds. Exit status 1 when there
# is a finding: reproduce one with build/fuzz/bin/<target> <file>, then add the file to the
# target's corpus with the mend, so that every test run replays it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-10}
shift || true
cores=${FUZZ_CORES:-4}
fork=${FUZZ_FORK:-2}
[ "$fork" -le "$cores" ] || fork=$cores
parallel=$((cores / fork))
seconds=${FUZZ_SECONDS:-$((minutes * 60))}

"$root/scripts/fuzz-build.sh"
manifest="$root/build/fuzz/fuzz-targets.txt"
results="$root/build/fuzz/campaign/$(date +%Y%m%d-%H%M%S)"
scratch_base=/dev/shm
[ -w "$scratch_base" ] || scratch_base=${TMPDIR:-/tmp}
scratch=$(mktemp -d "$scratch_base/fabrun-fuzz-campaign.XXXXXX")
mkdir -p "$results"

pids=()
stop() {
  for pid in "${pids[@]}"; do kill -- "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap stop EXIT
trap 'exit 130' INT TERM

selected=("$@")
wanted() {
  [ ${#selected[@]} -eq 0 ] && return 0
  local name
  for name in "${selected[@]}"; do [ "$name" = "$1" ] && return 0; done
  return 1
}

run_target() {
  local name=$1 exe=$2 seeds=$3
  local corpus="$scratch/corpus/$name" findings="$results/$name/findings"
  mkdir -p "$corpus" "$findings" "$scratch/files/$name"
  # The first folder gets the new inputs; the seeds are only read.
  FABRUN_FUZZ_SCRATCH="$scratch/files/$name" FABRUN_DEBUG_LOG=off FABRUN_REGISTRY="$scratch/files/$name/registry" \
    "$exe" -fork="$fork" -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 -max_total_time="$seconds" \
    -timeout=30 -rss_limit_mb=2048 -artifact_prefix="$findings/" "$corpus" "$seeds" >"$results/$name/log" 2>&1 || true
  mkdir -p "$results/$name/corpus"
  FABRUN_FUZZ_SCRATCH="$scratch/files/$name" FABRUN_DEBUG_LOG=off FABRUN_REGISTRY="$scratch/files/$name/registry" \
    "$exe" -merge=1 "$results/$name/corpus" "$corpus" >>"$results/$name/log" 2>&1 || true
  rm -rf "$corpus" "$scratch/files/$name"
}

names=()
while read -r name exe seeds; do
  [ -n "$name" ] && wanted "$name" || continue
  names+=("$name")
  mkdir -p "$results/$name"
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
  echo "== $name: $seconds s on $fork cores"
  run_target "$name" "$exe" "$seeds" &
  pids+=("$!")
done <"$manifest"
wait
pids=()

status=0
echo "== campaign results in $results"
for name in "${names[@]}"; do
  count=$(find "$results/$name/findings" -type f | wc -l)
  last=$(grep -E '^#[0-9]+: cov:' "$results/$name/log" | tail -n 1 || true)
  echo "$name: $count findings; ${last:-no progress line}"
  [ "$count" -eq 0 ] || status=1
done
exit $status
