#!/usr/bin/env bash
# Whole-process figures of the example template run, examples/member-card.svg
# over examples/people.csv repeated to ROWS rows (100), from /usr/bin/time:
# the median wall and CPU seconds of RUNS runs (7) of `ymcko print` and of
# `ymcko template check`, and the largest peak memory (maximum resident set
# of the tool or of its largest renderer). Given several build folders, the
# runs take turns, so that other work on the machine weighs on each alike.
#
#   bench/example_run_figures.sh [BUILD_FOLDER...]     (default: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
builds=("${@:-build/release}")
rows=${ROWS:-100}
runs=${RUNS:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp -r examples/member-card.svg examples/photos "$work/"
{
  head -n 1 examples/people.csv
  for ((i = 0; i < rows; i++)); do tail -n +2 examples/people.csv | sed -n "$((i % 3 + 1))p"; done
} >"$work/people.csv"

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
echo "load average: $(cut -d" " -f1-3 /proc/loadavg) (other work on the machine slows the wall times)"

# measure BUILD COMMAND: one run; appends "wall cpu peak_kb" to the build's figures.
measure() {
  local build=$1 command=$2 key
  key=$(echo "$build $command" | tr '/ ' '__')
  local args=(print --template "$work/member-card.svg" --data "$work/people.csv" --mag-encoder
    --mag-mode W -o "$work/job.prn")
  [ "$command" = check ] && args=(template check "$work/member-card.svg" --data "$work/people.csv")
  rm -f "$work/job.prn"
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$build/bin/ymcko" "${args[@]}" >/dev/null 2>&1 ||
    true
  awk '{ print $1, $2 + $3, $4 }' "$work/time" >>"$work/$key"
}

for ((r = 0; r < runs; r++)); do
  for build in "${builds[@]}"; do
    measure "$build" print
    measure "$build" check
  done
done
for build in "${builds[@]}"; do
  for command in print check; do
    key=$(echo "$build $command" | tr '/ ' '__')
    sort -n "$work/$key" | awk -v label="$build $command, $rows rows" -v runs="$runs" '
      { wall[NR] = $1; if ($3 > peak) peak = $3 }
      END { printf "%s: %.2f s wall (median of %d), %.1f MB peak\n", label, wall[int((NR + 1) / 2)], runs, peak / 1024 }'
    sort -n -k2 "$work/$key" | awk '{ cpu[NR] = $2 } END { printf "  %.2f s CPU (median)\n", cpu[int((NR + 1) / 2)] }'
  done
done
