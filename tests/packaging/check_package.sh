#!/usr/bin/env bash
# Checks the Debian package without installing it on this machine:
#
#   tests/packaging/check_package.sh PACKAGE.deb REFERENCE_YMCKO TREE
#
# lintian finds no error; each piece is at its Debian path and nothing is
# outside /usr; unpacked into a scratch root (dpkg -x), its programs print
# the package's version and its tool prints the demo card byte for byte as
# REFERENCE_YMCKO (a build tree's) does; systemd accepts the unit; the
# manual pages render without a warning; the completion completes; and the
# package's build tree TREE installs under any prefix.
set -euo pipefail
deb=$(realpath "$1")
reference=$(realpath "$2")
tree=$(realpath "$3")
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "check_package: $*" >&2
  failures=$((failures + 1))
}

# lintian: errors fail, the rest is shown.
status=0
lintian --fail-on error --tag-display-limit 0 "$deb" >"$scratch/lintian" 2>&1 || status=$?
grep -E '^[EWIP]: ' "$scratch/lintian" | sed 's/^/check_package: lintian: /' >&2 || true
((status == 0)) || fail "lintian found errors (status $status)"

# The file list: each piece where Debian and CUPS look for it.
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$scratch/files"
for path in \
  /usr/bin/ymcko \
  /usr/bin/ymcko-app \
  /usr/lib/ymcko/ymcko-pdf.so \
  /usr/lib/ymcko/ymcko-svg \
  /usr/lib/cups/filter/rastertoymcko \
  /usr/share/cups/model/ymcko.ppd \
  /usr/lib/systemd/system/ymcko-app.service \
  /usr/lib/udev/rules.d/60-ymcko.rules \
  /usr/share/man/man1/ymcko.1.gz \
  /usr/share/man/man1/ymcko-app.1.gz \
  /usr/share/man/man8/rastertoymcko.8.gz \
  /usr/share/bash-completion/completions/ymcko \
  /usr/share/doc/ymcko/copyright \
  /usr/share/doc/ymcko/changelog.gz \
  /usr/share/doc/ymcko/examples/member-card.svg \
  /usr/share/doc/ymcko/examples/photos/amara.png; do
  grep -qxF "$path" "$scratch/files" || fail "$path is not in the package"
done
if grep -v -e '^/usr/' -e '^/$' "$scratch/files" | grep -q .; then
  fail "files outside /usr: $(grep -v -e '^/usr/' -e '^/$' "$scratch/files" | head -3 | xargs)"
fi
for script in postinst prerm postrm; do
  dpkg-deb -I "$deb" "$script" >/dev/null 2>&1 || fail "the package has no $script"
done

# Unpacked: the version, and the demo card's bytes.
root=$scratch/root
dpkg -x "$deb" "$root"
version=$(dpkg-deb -f "$deb" Version)
for program in ymcko ymcko-app; do
  printed=$("$root/usr/bin/$program" --version) || fail "$program --version failed"
  [[ $printed == "$program $version" ]] || fail "$program --version printed \"$printed\", not \"$program $version\""
done
"$root/usr/bin/ymcko" print --demo -o "$scratch/package.prn"
"$reference" print --demo -o "$scratch/reference.prn"
cmp -s "$scratch/package.prn" "$scratch/reference.prn" ||
  fail "the package's demo card differs from $reference's"

# The unit, as systemd reads it, its program and manual page the unpacked
# package's.
sed "s|=/usr/bin/|=$root/usr/bin/|" "$root/usr/lib/systemd/system/ymcko-app.service" \
  >"$scratch/ymcko-app.service"
if ! MANPATH=$root/usr/share/man: systemd-analyze verify "$scratch/ymcko-app.service" \
  >"$scratch/verify" 2>&1 || [[ -s $scratch/verify ]]; then
  fail "systemd-analyze verify refused the unit:"
  cat "$scratch/verify" >&2
fi

# The manual pages: rendered, with no warning from man or groff.
for page in "$root"/usr/share/man/man*/*.gz; do
  if ! MANWIDTH=80 man --warnings -l "$page" >/dev/null 2>"$scratch/man" || [[ -s $scratch/man ]]; then
    fail "${page#"$root"} does not render cleanly:"
    head -5 "$scratch/man" >&2
  fi
done
# Every setting of the table is in the tool's page (the page is written from it).
zcat "$root/usr/share/man/man1/ymcko.1.gz" >"$scratch/ymcko.1"
while read -r key; do
  grep -qF "Settings file key: \fB$key\fR" "$scratch/ymcko.1" || fail "ymcko(1) does not describe $key"
done < <("$reference" print --help | sed -n '/^Settings file keys/,$p' | tail -n +2 | tr ' ' '\n' | grep .)

# The completion: what bash offers at a command line's end.
while IFS='|' read -r line expected; do
  offered=$(bash -c '
    source "$1"
    read -r -a COMP_WORDS <<<"$2"
    [[ $2 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _ymcko
    echo "${COMPREPLY[*]}"' _ "$root/usr/share/bash-completion/completions/ymcko" "$line")
  [[ $offered == "$expected" ]] || fail "completing \"$line\" offered \"$offered\", not \"$expected\""
done <"$here/completions.txt"

# The tree installs under any prefix, the filter and PPD under its CUPS folders.
cmake --install "$tree" --prefix "$scratch/prefix" >"$scratch/install"
outside=$(sed -n 's/^-- \(Installing\|Up-to-date\): //p' "$scratch/install" | grep -v "^$scratch/prefix/" || true)
[[ -z $outside ]] || fail "installing under a prefix wrote outside it: $(head -3 <<<"$outside" | xargs)"
for path in lib/cups/filter/rastertoymcko share/cups/model/ymcko.ppd; do
  [[ -e $scratch/prefix/$path ]] || fail "installing under a prefix put no $path there"
done

if ((failures)); then
  echo "check_package: $failures checks of $deb failed" >&2
  exit 1
fi
echo "check_package: $deb: $(du -k "$deb" | cut -f1) KiB, Depends: $(dpkg-deb -f "$deb" Depends)"
