#!/usr/bin/env bash
# Whole-process figures of `ymcko print --template`, from /usr/bin/time: wall
# time per card, CPU time and peak memory (maximum resident set) of
#   - a three-card run of a template with a name, a photo, a QR code and a
#     Code 128 barcode (the mean of RUNS runs),
#   - a 1,000-row run of the same template with one photo file per row
#     (whether the peak stays flat against the three-card run).
# The photos are bench/card_images' 1024 x 656 PNGs, one copy a row.
#
#   bench/template_figures.sh [BUILD_FOLDER]     (default: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
tool=$build/bin/ymcko
runs=${RUNS:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bin/card_images" "$work" 10 >/dev/null
mkdir "$work/photos"
for ((i = 0; i < 1000; i++)); do cp "$work/card$((i % 10)).png" "$work/photos/p$i.png"; done

cat >"$work/front.svg" <<'EOF'
<svg xmlns="http://www.w3.org/2000/svg" width="85.6mm" height="54mm" viewBox="0 0 85.6 54">
  <rect x="0" y="0" width="85.6" height="12" fill="#1a4d8f"/>
  <text x="4" y="8.5" font-family="Liberation Sans" font-size="6" fill="#ffffff">MEMBER CARD</text>
  <image x="4" y="16" width="25" height="32" href="{{photo}}" preserveAspectRatio="xMidYMid slice"/>
  <text x="33" y="22" font-family="Liberation Sans" font-size="4.5" fill="#000000">{{name}}</text>
  <text x="33" y="28" font-family="Liberation Sans" font-size="3" fill="#000000">No. {{member}}</text>
  <rect x="60" y="30" width="20" height="20" data-ymcko-code="qr" data-ymcko-value="{{member}}"/>
  <rect x="33" y="40" width="26" height="10" data-ymcko-code="code128" data-ymcko-value="{{member}}"/>
</svg>
EOF

# rows N: a data file of N people, one photo each.
rows() {
  echo "name,member,photo,track1"
  for ((i = 0; i < $1; i++)); do echo "Person $i,M-$((100000 + i)),photos/p$i.png,MEMBER $i"; done
}
rows 3 >"$work/three.csv"
rows 1000 >"$work/thousand.csv"

# measure DATA: one run; prints CPU seconds, wall seconds and peak kilobytes.
measure() {
  rm -f "$work/job.prn"
  /usr/bin/time -f "%U %S %e %M" -o "$work/time" "$tool" print --template "$work/front.svg" \
    --data "$1" --mag-encoder --mag-mode W -o "$work/job.prn"
  awk '{ print $1 + $2, $3, $4 }' "$work/time"
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
echo "load average: $(cut -d" " -f1-3 /proc/loadavg) (other work on the machine slows the wall times)"
echo "build: $build ($(grep -m1 CMAKE_BUILD_TYPE "$build/CMakeCache.txt" | cut -d= -f2))"

for ((r = 0; r < runs; r++)); do measure "$work/three.csv"; done |
  awk -v runs="$runs" '{ cpu += $1; wall += $2; if ($3 > peak) peak = $3 }
    END { printf "three-card template run: %.0f ms a card (wall), %.0f ms CPU a card, %.1f MB peak (mean of %d runs)\n",
          wall * 1000 / runs / 3, cpu * 1000 / runs / 3, peak / 1024, runs }'

measure "$work/thousand.csv" |
  awk '{ printf "1,000-row template run, one photo a row: %.0f ms a card (wall), %.0f ms CPU a card, %.1f s in all, %.1f MB peak\n",
         $2, $1, $2, $3 / 1024 }'
