# Sourced by the printer application's figures: start_app_server BUILD
# [SERVER OPTION...] starts BUILD's ymcko-app on a free loopback port ($port)
# with its state in a scratch folder ($work, removed with the server when
# the script ends) and adds the printer "card", whose jobs land in
# $work/jobs.
start_app_server() {
  local build=$1
  shift
  work=$(mktemp -d)
  export SNAP_COMMON=$work
  port=$((20000 + RANDOM % 20000))
  "$build/bin/ymcko-app" server -o server-port=$port -o listen-hostname=127.0.0.1 \
    -o log-file="$work/log" -o file-device-folder="$work" "$@" &
  server=$!
  trap 'kill $server 2>/dev/null; wait $server 2>/dev/null; rm -rf "$work"' EXIT
  for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.05
  done
  mkdir -p "$work/jobs"
  "$build/bin/ymcko-app" add -d card -m ymcko -v "file://$work/jobs" >/dev/null
}
