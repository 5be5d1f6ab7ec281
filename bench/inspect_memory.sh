#!/usr/bin/env bash
# Whole-process figures of `ymcko inspect` over a job far larger than its
# old whole-file limit, from /usr/bin/time -v: wall time and peak memory
# (maximum resident set) of the text listing, the JSON listing and the held
# previews of its first cards. The job is the demo card's bytes repeated to
# about SIZE_MB megabytes (default 600) in a scratch folder.
#
#   bench/inspect_memory.sh [BUILD_FOLDER]     (default: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
tool=$build/bin/ymcko
size_mb=${SIZE_MB:-600}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One card's job: the 41 opening bytes, then the card from its start to its
# end; the card is repeated and the job stays whole.
"$tool" print --demo -o "$work/card.prn"
card_bytes=$(($(stat -c %s "$work/card.prn") - 41))
cards=$((size_mb * 1024 * 1024 / card_bytes + 1))
head -c 41 "$work/card.prn" >"$work/big.prn"
tail -c "$card_bytes" "$work/card.prn" >"$work/one-card"
for ((i = 0; i < cards; i++)); do cat "$work/one-card"; done >>"$work/big.prn"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
echo "job: $cards cards, $(stat -c %s "$work/big.prn") bytes"

# measure LABEL ARGS...: one run of inspect; prints the label, wall seconds
# and peak megabytes.
measure() {
  local label=$1
  shift
  /usr/bin/time -v -o "$work/time" "$tool" inspect "$work/big.prn" "$@" >"$work/out"
  local wall peak
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { print $2 }' "$work/time")
  peak=$(awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$work/time")
  echo "$label: wall $wall, peak $peak MB, $(tail -n 1 "$work/out" | cut -c1-80)"
}

measure "text listing"
measure "JSON listing" --json
measure "held previews (PNG) of every card" --png "$work/preview"
echo "previews: $(ls "$work/preview" | wc -l) files"
