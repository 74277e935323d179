#!/usr/bin/env bash
# A longer fuzz campaign: every target for SECONDS (default 600), two at a time,
# growing corpora kept in BUILD/campaign/<target>. Prints libFuzzer's final
# figures per target; a crash input lands in BUILD/campaign/<target>/artefacts.
#
#   fuzz/campaign.sh [BUILD (default build-fuzz)] [SECONDS] [DATA (default build/data)]
set -uo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-fuzz}"
seconds="${2:-600}"
data="${3:-build/data}"

run() {
  local target=$1 dict=()
  [ "$target" = config ] && dict=(--dict fuzz/config.dict)
  nice python3 fuzz/run_fuzz.py --binary "$build/bin/fuzz_$target" --target "$target" \
    --work "$build/campaign/$target" --data "$data" --seconds "$seconds" --keep-corpus "${dict[@]}" \
    >"$build/campaign/$target.log" 2>&1
  echo "$target: exit $?; $(grep -E '^#[0-9]+[[:space:]]+DONE' "$build/campaign/$target.log" | tail -1)"
}

mkdir -p "$build/campaign"
(run dib; run md2; run heightmap) &
(run tga; run config; run foliage) &
wait
