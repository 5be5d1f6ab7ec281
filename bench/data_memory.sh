#!/usr/bin/env bash
# Peak memory (maximum resident set, from /usr/bin/time -v) and wall time of
# reading large CSV inputs whole, against the size of the file:
#   - `ymcko template check` of data files of SIZES_MB megabytes each
#     (default "8 16"): rows of four fields of names and numbers, rows of
#     sixteen short fields, and rows of four empty fields (the most fields
#     a megabyte can hold),
#   - a template print run of the same files up to its first card,
#   - a batch print run of manifests of MANIFEST_MB megabytes (default 8)
#     up to its first card: rows of two file names and a track text, and
#     rows of one-letter names and an empty track.
# A print run is stopped where it would write its first card by an output
# folder that is not there: what it holds then is what it read and planned.
# Every row names the same photo, front and back image, so the scratch
# folder holds only the CSV files.
#
#   bench/data_memory.sh [BUILD_FOLDER]     (default: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
tool=$build/bin/ymcko
sizes_mb=${SIZES_MB:-8 16}
manifest_mb=${MANIFEST_MB:-8}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bin/card_images" "$work" 2 >/dev/null
cat >"$work/front.svg" <<'EOF'
<svg xmlns="http://www.w3.org/2000/svg" width="85.6mm" height="54mm" viewBox="0 0 85.6 54">
  <image x="4" y="16" width="25" height="32" href="{{photo}}"/>
  <text x="33" y="22" font-family="Liberation Sans" font-size="4.5">{{name}}</text>
  <text x="33" y="28" font-family="Liberation Sans" font-size="3">No. {{member}}</text>
</svg>
EOF

# csv MB HEADER ROW: a file of about MB megabytes, ROW's "@" replaced by the
# row's number.
csv() {
  awk -v bytes=$(($1 * 1024 * 1024)) -v header="$2" -v row="$3" 'BEGIN {
    print header; size = length(header) + 1; n = split(row, part, "@")
    for (i = 0; size < bytes; i++) {
      line = part[1]; for (p = 2; p <= n; p++) line = line (100000 + i) part[p]
      print line; size += length(line) + 1
    }
  }'
}

# measure LABEL FILE ARGS...: one run of the tool; prints the label, the
# file's size, the peak, the peak over the file's size and the wall time.
measure() {
  local label=$1 file=$2
  shift 2
  /usr/bin/time -v -o "$work/time" "$tool" "$@" >/dev/null 2>"$work/err" || true
  local bytes wall peak
  bytes=$(stat -c %s "$file")
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { print $2 }' "$work/time")
  peak=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time")
  awk -v label="$label" -v bytes="$bytes" -v peak="$peak" -v wall="$wall" 'BEGIN {
    times = bytes < 1048576 ? "" : sprintf(" (%.1f times the file)", peak * 1024 / bytes)
    printf "%s: %.1f MB file, %.1f MB peak%s, wall %s\n", label, bytes / 1048576, peak / 1024, times, wall }'
  # The print runs end at the missing folder; anything else is a fault of
  # the bench's inputs.
  if grep -qv "missing" "$work/err"; then sed 's/^/  /' "$work/err" | head -n 3; fi
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
echo "build: $build ($(grep -m1 CMAKE_BUILD_TYPE "$build/CMakeCache.txt" | cut -d= -f2))"
printf 'empty run: '
/usr/bin/time -f "%M" -o "$work/time" "$tool" --help >/dev/null
awk '{ printf "%.1f MB peak\n", $1 / 1024 }' "$work/time"

# A print run stops when its workers may have begun drawing the first cards,
# and waits for them: the peak of a whole three-card run is what drawing
# takes apart from the data.
printf 'name,member,photo,track1\nAda,M-1,card0.png,ADA\nBo,M-2,card0.png,BO\nCy,M-3,card0.png,CY\n' >"$work/three.csv"
measure "three-card template print" "$work/three.csv" \
  print --template "$work/front.svg" --data "$work/three.csv" --mag-encoder --mag-mode W -o /dev/null

for mb in $sizes_mb; do
  for shape in four sixteen empty; do
    data=$work/data-$shape-$mb.csv
    case $shape in
      four) csv "$mb" "name,member,photo,track1" "Person @,M-@,card0.png,MEMBER @" ;;
      sixteen) csv "$mb" "name,member,photo,track1,a,b,c,d,e,f,g,h,i,j,k,l" \
        "P,@,card0.png,,1,2,3,4,5,6,7,8,9,0,1,2" ;;
      empty) csv "$mb" "name,member,photo,track1" ",,," ;;
    esac >"$data"
    echo "data file of $mb MB, rows of $shape fields: $(($(wc -l <"$data") - 1)) rows"
    measure "  template check" "$data" \
      template check "$work/front.svg" --data "$data" --mag-encoder --mag-mode W
    measure "  template print up to the first card" "$data" \
      print --template "$work/front.svg" --data "$data" --mag-encoder --mag-mode W \
      -o "$work/missing/job.prn"
    rm -f "$data"
  done
done

cp "$work/card0.png" "$work/a"
cp "$work/card1.png" "$work/b"
for shape in paths short; do
  case $shape in
    paths) csv "$manifest_mb" "front,back,track1" "card0.png,card1.png,MEMBER @" ;;
    short) csv "$manifest_mb" "front,back,track1" "a,b," ;;
  esac >"$work/manifest.csv"
  echo "manifest of $manifest_mb MB, rows of $shape: $(($(wc -l <"$work/manifest.csv") - 1)) cards"
  measure "  batch print up to the first card" "$work/manifest.csv" \
    print --batch "$work/manifest.csv" --side-mode 1 --mag-encoder --mag-mode W \
    -o "$work/missing/job.prn"
done
