#!/usr/bin/env bash
# Whole-process figures of `ymcko print`, from /usr/bin/time: CPU time (user
# + system) and peak memory (maximum resident set) of
#   - one 1024 x 656 PNG card (the mean of RUNS runs),
#   - batches of 100, 1,000 and 2,000 cards of 1024 x 656 PNGs (cards a
#     second, and whether the peak grows with the batch),
#   - one 4000 x 2562 PNG card.
# The jobs are written to files in a scratch folder, as a user would.
#
#   bench/print_figures.sh [BUILD_FOLDER]     (default: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
tool=$build/bin/ymcko
runs=${RUNS:-40}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bin/card_images" "$work" 2000
head -n 101 "$work/cards.csv" >"$work/cards100.csv"
head -n 1001 "$work/cards.csv" >"$work/cards1000.csv"

# measure LABEL ARGS...: one run; prints the label, CPU seconds, wall
# seconds and peak kilobytes.
measure() {
  local label=$1
  shift
  rm -f "$work/job.prn"
  /usr/bin/time -f "%U %S %e %M" -o "$work/time" "$tool" print "$@" -o "$work/job.prn"
  awk -v label="$label" '{ print label, $1 + $2, $3, $4 }' "$work/time"
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"

# One card: the CPU time of many runs in a row, each a new process, over
# the number of runs (one run is near the timer's 10 ms resolution; the
# shell's own share counts against the tool), and the largest peak.
/usr/bin/time -f "%U %S %M" -o "$work/time" bash -c \
  'for ((i = 0; i < $1; i++)); do "$2" print "$3/card$((i % 10)).png" -o "$3/card.prn"; done' \
  - "$runs" "$tool" "$work"
awk -v runs="$runs" '{ printf "one 1024 x 656 PNG card: %.1f ms CPU (mean of %d runs), %.1f MB peak\n",
  ($1 + $2) * 1000 / runs, runs, $3 / 1024 }' "$work/time"

for cards in 100 1000 2000; do
  manifest=$work/cards$cards.csv
  [[ $cards == 2000 ]] && manifest=$work/cards.csv
  measure batch --batch "$manifest" | awk -v cards="$cards" \
    '{ printf "batch of %d cards: %.2f s, %.0f cards/s, %.1f s CPU, %.1f MB peak\n",
       cards, $3, cards / $3, $2, $4 / 1024 }'
done

measure large "$work/large.png" |
  awk '{ printf "one 4000 x 2562 PNG card: %.0f ms CPU, %.1f MB peak\n", $2 * 1000, $4 / 1024 }'
