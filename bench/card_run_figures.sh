#!/usr/bin/env bash
# A card run from the browser's pages, timed as an operator waits for it:
# the example design uploaded to a server on loopback, a ROWS-row (100)
# data file of the example's rows with their photos uploaded, then the time
# from the upload's start to the run's page, to its first preview and to
# the page's last (its previews are asked for at once, six at a time, as a
# browser asks), and the time from pressing Print to the finished job; the
# same rows printed by the tool's template run, and the two jobs' bytes
# compared. Times in seconds, the median of RUNS (5) runs.
#
#   bench/card_run_figures.sh [BUILD_FOLDER]     (default: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
rows=${ROWS:-100}
runs=${RUNS:-5}
source bench/app_server.sh
start_app_server "$build"
url=http://127.0.0.1:$port/card
jar=$work/cookies

# The form check of a page's form.
session() {
  curl -s -b "$jar" -c "$jar" "$url/$1" | sed -n 's/.*name="session" value="\([^"]*\)".*/\1/p' |
    head -1
}
now() { date +%s.%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# The fields a browser sends of the run page's form as it stands, as
# curl's --data-urlencode arguments.
form_fields() {
  python3 -c '
import sys
from html.parser import HTMLParser
class Form(HTMLParser):
    select = None
    def handle_starttag(self, tag, a):
        a = dict(a)
        if tag == "input" and a.get("type") in ("checkbox", "radio"):
            if "checked" in a: print("--data-urlencode\n%s=%s" % (a["name"], a.get("value", "on")))
        elif tag == "input" and a.get("type") not in ("submit", "file") and "name" in a:
            print("--data-urlencode\n%s=%s" % (a["name"], a.get("value", "")))
        elif tag == "select": self.select = a["name"]
        elif tag == "option" and "selected" in a: print("--data-urlencode\n%s=%s" % (self.select, a["value"]))
Form().feed(sys.stdin.read())' <"$1"
}

curl -s -b "$jar" -c "$jar" -o /dev/null -F "session=$(session designs)" -F name=member \
  -F front=@examples/member-card.svg "$url/designs"
# The example's rows again and again, without their tracks.
{
  head -1 examples/people.csv | cut -d, -f1-3
  for ((i = 0; i < rows; i++)); do
    sed -n "$((i % 3 + 2))p" examples/people.csv | cut -d, -f1-3 |
      sed "s/LMC-2027-01/LMC-2027-$((1000 + i))-/"
  done
} >"$work/rows.csv"
cp -r examples/photos "$work/"
photos=()
for photo in examples/photos/*.png; do photos+=(-F "photos=@$photo"); done

: >"$work/page" >"$work/first" >"$work/last" >"$work/printed"
for ((run = 0; run < runs; run++)); do
  start=$(now)
  run_page=$(curl -s -b "$jar" -c "$jar" -o /dev/null -w '%{redirect_url}' \
    -F "session=$(session 'design?name=member')" -F "data=@$work/rows.csv" "${photos[@]}" \
    "$url/design?name=member")
  curl -s -b "$jar" -o "$work/run.html" "$run_page"
  echo "$(now) - $start" | bc >>"$work/page"
  id=${run_page##*id=}
  # The page's previews as a browser asks for them: six at a time.
  seq 0 9 | xargs -P 6 -I ROW sh -c "curl -s -b '$jar' -o '$work/p-ROW.png' \
    '$url/run.png?id=$id&row=ROW&side=front'; date +%s.%N >'$work/t-ROW'"
  first=$(cat "$work"/t-* | sort -n | head -1)
  last=$(cat "$work"/t-* | sort -n | tail -1)
  echo "$first - $start" | bc >>"$work/first"
  echo "$last - $start" | bc >>"$work/last"
  rm -f "$work"/t-* "$work"/p-*.png

  # Print every row with the page's settings.
  rm -f "$work"/jobs/*
  mapfile -t fields < <(form_fields "$work/run.html")
  before=$(now)
  curl -s -b "$jar" -c "$jar" -o /dev/null "${fields[@]}" --data-urlencode action=Print "$url/run"
  until [[ ! -d $work/ymcko-app.d/ymcko-runs/$id ]]; do sleep 0.02; done
  echo "$(now) - $before" | bc >>"$work/printed"
done

tool_start=$(now)
(cd "$work" && "$OLDPWD/$build/bin/ymcko" print --template "$OLDPWD/examples/member-card.svg" \
  --data rows.csv -o tool.prn 2>/dev/null) || true
tool=$(echo "$(now) - $tool_start" | bc)
printf 'rows %d, seconds: the first run (renderers starting), then the median of %d runs\n' \
  "$rows" "$runs"
for figure in page first last printed; do
  case $figure in
    page) label="upload to the run page" ;;
    first) label="upload to the first preview" ;;
    last) label="upload to the page of ten" ;;
    printed) label="Print to the printed job" ;;
  esac
  printf '  %-30s %8.3f %8.3f\n' "$label:" "$(head -1 "$work/$figure")" "$(median <"$work/$figure")"
done
printf '  %-30s %8.3f\n' "the tool's template run:" "$tool"
if cmp -s "$work"/jobs/*.prn "$work/tool.prn"; then echo "  the job's bytes are the tool's"; else echo "  the job's bytes DIFFER from the tool's"; fi
