#!/usr/bin/env bash
# Soak figures of `ymcko print --batch`: peak memory (maximum resident set,
# from /usr/bin/time) and wall time of batches of 1,000 and 10,000 cards of
# 1024 x 656 PNGs, and the growth of the peak from one to the other, which
# should be near nothing: cards are decoded ahead a few at a time and the job
# streams out. The job goes to standard output and is counted, not kept (a
# 10,000-card job is some 24 GB).
#
#   bench/soak_figures.sh [BUILD_FOLDER]     (default: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
tool=$build/bin/ymcko
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bin/card_images" "$work" 10000
head -n 1001 "$work/cards.csv" >"$work/cards1000.csv"

# batch CARDS MANIFEST: prints the cards, the job's bytes, the wall seconds
# and the peak kilobytes.
batch() {
  local cards=$1 manifest=$2
  /usr/bin/time -f "%e %M" -o "$work/time" \
    bash -c '"$1" print --batch "$2" -o - | wc -c >"$3"' - "$tool" "$manifest" "$work/bytes"
  echo "$cards $(cat "$work/bytes") $(tail -1 "$work/time")"
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
{
  batch 1000 "$work/cards1000.csv"
  batch 10000 "$work/cards.csv"
} | awk '{
    printf "batch of %d cards: %.1f GB of job, %.0f s, %.0f cards/s, %.1f MB peak\n",
      $1, $2 / 1e9, $3, $1 / $3, $4 / 1024
    peak[NR] = $4
  }
  END { printf "peak growth from 1,000 to 10,000 cards: %+.1f MB\n", (peak[2] - peak[1]) / 1024 }'
