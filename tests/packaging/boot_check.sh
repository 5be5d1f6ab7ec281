#!/usr/bin/env bash
# Installs the package on a fresh Debian 12 and boots it, as root:
#
#   tests/packaging/boot_check.sh PACKAGE.deb
#
# A minimal Debian 12 with systemd (debootstrap, from this machine's
# archive) gets the package by apt, then boots under systemd-nspawn with a
# network of its own: the service runs and takes a job, CUPS lists the
# model and prints through the filter, a killed server is restarted, a
# stopped one leaves no spool, and a purge removes the service and its
# state. Not part of ./dev test: it downloads some 200 MB and needs
# systemd-nspawn (Debian's systemd-container).
set -euo pipefail
deb=$(realpath "$1")
root=$(mktemp -d)
chmod 755 "$root"  # its / : the services of other users must pass
listener=
cleanup() {
  if [[ -n ${leader:-} ]]; then
    nsenter -t "$leader" -a systemctl poweroff >/dev/null 2>&1 || true
    timeout 30 tail --pid="$nspawn" -f /dev/null || kill "$nspawn" 2>/dev/null || true
  fi
  if [[ -n $listener ]]; then kill "$listener" 2>/dev/null || true; fi
  if mountpoint -q "$root/proc"; then umount "$root/proc"; fi
  rm -rf "$root"
}
trap cleanup EXIT
failures=0
fail() {
  echo "boot_check: $*" >&2
  failures=$((failures + 1))
}

archive=$(apt-get indextargets --format '$(REPO_URI)' 'Identifier: Packages' | head -1)
debootstrap --variant=minbase --include=systemd,systemd-sysv,dbus bookworm "$root" "$archive" >/dev/null
cp "$deb" "$root/root/" && cp /etc/resolv.conf "$root/etc/"
mount --bind /proc "$root/proc"
chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "/root/${deb##*/}" \
  >"$root/install.log" 2>&1 || { tail -5 "$root/install.log" >&2; fail "apt could not install it"; exit 1; }
umount "$root/proc"

systemd-nspawn -q -D "$root" -b --private-network --register=no --keep-unit >/dev/null 2>&1 &
nspawn=$!
for _ in $(seq 60); do
  leader=$(pgrep -P "$nspawn" | head -1) || true
  [[ -n $leader ]] &&
    timeout 120 nsenter -t "$leader" -a systemctl is-system-running --wait >/dev/null 2>&1 && break
  sleep 1
done
in_root() { nsenter -t "$leader" -a "$@"; }
in_net() { nsenter -t "$leader" -n "$@"; }
in_net ip link set lo up

[[ $(in_root systemctl is-active ymcko-app) == active ]] || fail "the service is not running"
in_root test -S /run/ymcko-app/ymcko-app.sock || fail "no socket in /run/ymcko-app"
in_root lpinfo -m | grep -q '^ymcko.ppd ' || fail "CUPS lists no ymcko.ppd"

# A socket printer in the booted system's network, one job at a time.
receive() {
  in_net /usr/bin/python3 -c '
import socket, sys
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(1)
c, _ = s.accept(); out = open(sys.argv[2], "wb")
while data := c.recv(65536): out.write(data)' "$1" "$2" &
  listener=$!
  sleep 1
}
here=$(cd "$(dirname "$0")/../.." && pwd)
cp "$here/examples/photos/amara.png" "$root/root/"
# A PNG and a PDF page (its renderer under the service's confinement) by
# IPP, and a PNG through CUPS and the filter.
in_root ymcko-app add -d card -m ymcko -v socket://127.0.0.1:9100 >/dev/null
in_root lpadmin -p cupscard -E -v socket://127.0.0.1:9100 -m ymcko.ppd 2>/dev/null
for job in app:/root/amara.png app:/usr/share/cups/data/classified.pdf cups:/root/amara.png; do
  way=${job%%:*} file=${job#*:}
  receive 9100 "$root/job.prn"
  if [[ $way == app ]]; then
    in_root ymcko-app submit -d card "$file" >/dev/null
  else
    in_root lp -d cupscard "$file" >/dev/null
  fi
  for _ in $(seq 60); do kill -0 "$listener" 2>/dev/null || break; sleep 1; done
  "$here/build/package/bin/ymcko" inspect "$root/job.prn" 2>/dev/null | grep -q '^valid job: .* 1 card,' ||
    fail "$file printed through $way is not a valid card"
done

# A card run's renderer, which only the web pages start in the service,
# under the service's own confinement.
examples=/usr/share/doc/ymcko/examples
mapfile -t properties < <(grep -E '^(ProtectSystem|ProtectHome|PrivateTmp|NoNewPrivileges|CapabilityBoundingSet|SystemCallFilter|SystemCallErrorNumber|SystemCallArchitectures|RestrictAddressFamilies|RestrictNamespaces|LockPersonality|ProtectProc)=' \
  "$root/usr/lib/systemd/system/ymcko-app.service")
confined=()
for property in "${properties[@]}"; do confined+=(-p "$property"); done
in_root systemd-run --wait --pipe -q "${confined[@]}" sh -c "ymcko print --template $examples/member-card.svg \
  --data $examples/people.csv --mag-encoder --mag-mode W -o /tmp/run.prn && ymcko inspect /tmp/run.prn" \
  2>/dev/null | grep -q '^valid job: .* 3 cards,' || fail "a card run does not render under the service's confinement"

in_root kill -9 "$(in_root systemctl show ymcko-app -p MainPID --value)"
sleep 3
[[ $(in_root systemctl show ymcko-app -p NRestarts --value) == 1 ]] || fail "a killed server was not restarted"
in_root ymcko-app printers | grep -qx card || fail "the restarted server lost its printer"
in_root systemctl stop ymcko-app
[[ $(in_root systemctl show ymcko-app -p Result --value) == success ]] || fail "the server did not stop cleanly"
in_root test ! -e /run/ymcko-app || fail "the stopped service left its spool"
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq ymcko >/dev/null 2>&1
in_root test ! -e /var/lib/ymcko-app || fail "the purge left /var/lib/ymcko-app"
in_root test ! -e /etc/systemd/system/multi-user.target.wants/ymcko-app.service ||
  fail "the purge left the service enabled"

((failures == 0)) || exit 1
echo "boot_check: ${deb##*/} installs, runs, prints by IPP and CUPS, restarts, stops and purges on Debian 12"
