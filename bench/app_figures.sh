#!/usr/bin/env bash
# Time from Print-Job to a finished job in the printer application, for one
# 1024 x 656 PNG card, one two-page PDF card and a Letter PDF page fitted
# onto a card: a server on loopback with a printer on a file device, RUNS
# jobs of each sent one after another by
# ipptool, and the times read from the server's own log (milliseconds from
# the Print-Job request to the job's completion). Then the load: CLIENTS
# clients (10) sending ROUNDS PNG jobs (30) each at once, every job's bytes
# compared with the tool's for its intensity, and the jobs per second and
# the server's peak memory (VmHWM) reported.
#
#   bench/app_figures.sh [BUILD_FOLDER]     (default: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
runs=${RUNS:-20}
clients=${CLIENTS:-10}
rounds=${ROUNDS:-30}
source bench/app_server.sh
start_app_server "$build" -o log-level=debug
"$build/bin/card_images" "$work" 1 >/dev/null
cp tests/app/print-job.test "$work/"

# time_jobs FILE FORMAT SIDE_MODE: sends RUNS jobs, then prints the median,
# fastest and slowest milliseconds.
time_jobs() {
  local file=$1 format=$2 side_mode=$3
  : >"$work/log"
  for ((i = 0; i < runs; i++)); do
    ipptool -t -f "$file" -d format="$format" -d jobname="job$i" -d intensity=70 \
      -d sidemode="$side_mode" "ipp://127.0.0.1:$port/ipp/print/card" "$work/print-job.test" >/dev/null
  done
  # A request's arrival and its job's completion, in order, one job at a time.
  awk '
    function ms(stamp) { split(substr(stamp, 13, 12), t, ":"); return (t[1] * 3600 + t[2] * 60 + t[3]) * 1000 }
    /Print-Job request: IPP/ { start = ms($2) }
    /\] Completed, job-impressions/ { print ms($2) - start }
  ' "$work/log" | sort -n | awk '{ v[NR] = $1 } END { printf "median %.1f ms, fastest %.1f ms, slowest %.1f ms (%d jobs)\n", v[int((NR + 1) / 2)], v[1], v[NR], NR }'
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
echo "PNG card, 1024 x 656: $(time_jobs "$work/card0.png" image/png 0)"
echo "PDF card, two pages as front and back: $(time_jobs bench/two-page-card.pdf application/pdf 1)"
echo "Letter PDF page, turned and fitted onto the card: $(time_jobs bench/letter-page.pdf application/pdf 0)"

# The load: every client at an intensity of its own, so that a job carrying
# another's bytes shows.
for ((c = 0; c < clients; c++)); do
  "$build/bin/ymcko" print "$work/card0.png" --intensity $((30 + c)) -o "$work/tool$c.prn"
done
rm -f "$work"/jobs/*
start=$(date +%s.%N)
for ((c = 0; c < clients; c++)); do
  (
    for ((r = 0; r < rounds; r++)); do
      ipptool -t -f "$work/card0.png" -d format=image/png -d jobname="load$c-$r" \
        -d intensity=$((30 + c)) -d sidemode=0 "ipp://127.0.0.1:$port/ipp/print/card" \
        "$work/print-job.test" >/dev/null || echo "job load$c-$r failed" >&2
    done
  ) &
done
wait $(jobs -p | grep -vx "$server")
end=$(date +%s.%N)
wrong=0
for ((c = 0; c < clients; c++)); do
  for ((r = 0; r < rounds; r++)); do
    cmp -s "$work/tool$c.prn" "$work/jobs/load$c-$r.prn" || wrong=$((wrong + 1))
  done
done
peak=$(awk '/VmHWM/ { print $2 }' "/proc/$server/status")
awk -v n=$((clients * rounds)) -v c="$clients" -v r="$rounds" -v s="$start" -v e="$end" \
  -v wrong="$wrong" -v peak="$peak" 'BEGIN {
  printf "load, %d clients x %d PNG jobs at once: %.1f jobs/s (%.1f s), %d not the tool'"'"'s bytes, server peak memory %.1f MB\n",
    c, r, n / (e - s), e - s, wrong, peak / 1024 }'
