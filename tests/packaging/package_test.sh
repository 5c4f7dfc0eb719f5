#!/usr/bin/env bash
# Builds the Debian package with CPack into a temporary folder and checks it:
# its name, its control fields (the library dependencies among them, against
# the libraries the packed program really loads), its files and their modes,
# that the packed program still runs, its desktop entries, and lintian's
# verdict (for a hardened build). As root on a machine without a halvorn
# package, it installs the package with apt, runs it, removes and purges it,
# and leaves the machine's packages as it found them.
#
#   tests/packaging/package_test.sh CPACK BUILD_DIR VERSION hardened|plain
#
# Needs dpkg-deb, dpkg-shlibdeps (dpkg-dev), readelf, ldconfig, lintian and
# desktop-file-validate; exits with 77 (skipped) without them.
set -u
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=common.sh
. "$here/common.sh"

usage="usage: package_test.sh CPACK BUILD_DIR VERSION hardened|plain"
cpack=${1:?$usage}
build=$(cd "${2:?$usage}" && pwd) || exit 2
upstream=${3:?$usage}
hardening=${4:?$usage}
skip_unless dpkg-deb dpkg-shlibdeps dpkg readelf timeout lintian desktop-file-validate
ldconfig=$(command -v ldconfig || echo /sbin/ldconfig)
[ -x "$ldconfig" ] || { echo "SKIP  missing tool: ldconfig"; exit 77; }

work=$(mktemp -d /tmp/halvorn-package.XXXXXX)
trap 'rm -rf "$work"' EXIT

# --- building it ------------------------------------------------------------

if timeout 300 "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" \
    >"$work/cpack.log" 2>&1; then
  pass "cpack -G DEB"
else
  fail "cpack -G DEB" "$(tail -n 5 "$work/cpack.log")"
  finish; exit
fi
debs=("$work"/out/*.deb)
if [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ]; then
  pass "cpack wrote one package: $(basename "${debs[0]}")"
else
  fail "cpack wrote one package" "$(ls "$work/out")"
  finish; exit
fi
deb=${debs[0]}

# --- control fields ---------------------------------------------------------

field() { dpkg-deb -f "$deb" "$1"; }
version=$(field Version)
arch=$(dpkg --print-architecture)
check "Package: halvorn" test "$(field Package)" = halvorn
check "Architecture: $arch" test "$(field Architecture)" = "$arch"
check "Version is $upstream-1 ($version)" test "$version" = "$upstream-1"
check "the file is named halvorn_${version}_${arch}.deb" \
  test "$(basename "$deb")" = "halvorn_${version}_${arch}.deb"
check "Section: x11" test "$(field Section)" = x11
check "Suggests: xscreensaver" test "$(field Suggests)" = xscreensaver
check "Maintainer is set" test -n "$(field Maintainer)"
check "Description has a summary and a long text" \
  test "$(field Description | wc -l)" -ge 2
check "no Homepage field" test -z "$(field Homepage)"

# --- files ------------------------------------------------------------------

dpkg-deb -c "$deb" >"$work/contents" 2>&1
# "mode owner/group size date time ./path" -> "mode owner/group ./path" for files
files=$(awk '$1 !~ /^d/ {print $1, $2, $6}' "$work/contents" | LC_ALL=C sort -k3)
expected=$(printf '%s\n' \
  '-rwxr-xr-x root/root ./usr/bin/halvorn' \
  'lrwxrwxrwx root/root ./usr/libexec/xscreensaver/halvorn' \
  '-rw-r--r-- root/root ./usr/share/applications/halvorn.desktop' \
  '-rw-r--r-- root/root ./usr/share/applications/screensavers/halvorn.desktop' \
  '-rw-r--r-- root/root ./usr/share/doc/halvorn/changelog.Debian.gz' \
  '-rw-r--r-- root/root ./usr/share/doc/halvorn/copyright' \
  "$(for size in 128 16 256 32 48 64; do
      echo "-rw-r--r-- root/root ./usr/share/icons/hicolor/${size}x${size}/apps/halvorn.png"; done)" \
  '-rw-r--r-- root/root ./usr/share/lintian/overrides/halvorn' \
  '-rw-r--r-- root/root ./usr/share/man/man6/halvorn.6.gz' \
  '-rw-r--r-- root/root ./usr/share/xscreensaver/config/halvorn.xml')
if [ "$files" = "$expected" ]; then
  pass "the package holds the program once, its module link, settings, page, menu entries, icons, documents"
else
  fail "the package holds the program once, its module link, settings, page, menu entries, icons, documents" \
    "$(tr '\n' ';' <<<"$files")"
fi

dpkg-deb -x "$deb" "$work/root"
program=$work/root/usr/bin/halvorn
check "the module is a relative link to the program" \
  test "$(readlink "$work/root/usr/libexec/xscreensaver/halvorn")" = ../../bin/halvorn
check "the packed halvorn.xml is the source's" \
  cmp -s "$work/root/usr/share/xscreensaver/config/halvorn.xml" "$here/../../host/linux/halvorn.xml"
if [ -f "$program" ] && timeout 120 "$program" --headless --frames 1 --size 64x48 --seed 1 \
    >"$work/run.log" 2>&1; then
  pass "the packed program draws a headless frame"
else
  fail "the packed program draws a headless frame" "$(tail -n 2 "$work/run.log")"
fi

for entry in applications/halvorn.desktop applications/screensavers/halvorn.desktop; do
  check "desktop-file-validate $entry: no error or warning" eval \
    '! desktop-file-validate "$work/root/usr/share/$entry" 2>&1 | grep -E "error|warning"'
done

# --- lintian ----------------------------------------------------------------

if [ "$hardening" = hardened ]; then
  # Every tag lintian reports counts, down to the pedantic notes; the ones
  # that stay are overridden in the package with their reasons.
  verdict=$(lintian --pedantic -I --fail-on none "$deb" 2>&1 | grep -v 'running with root privileges')
  if [ -z "$verdict" ]; then
    pass "lintian --pedantic -I: nothing left without an override"
  else
    fail "lintian --pedantic -I: nothing left without an override" "$(echo; echo "$verdict")"
  fi
else
  echo "SKIP  lintian (a plain build: the package is judged built with -DHALVORN_HARDEN=ON, as scripts/test.sh does)"
fi

# --- library dependencies ---------------------------------------------------

# Depends as bare package names (alternatives and versions dropped).
depends=$(field Depends | sed -E 's/[,|]/\n/g' | sed -E 's/\(.*\)//; s/^ +//; s/ +$//' | grep -v '^$' |
  LC_ALL=C sort -u)
echo "      Depends: $(field Depends)"
for package in libc6 libegl1; do
  check "Depends names $package" grep -qx "$package" <<<"$depends"
done
# The package that owns a library file; with /usr merged, dpkg may know the
# file by its /lib or its /usr/lib name, as a link or as the file it names.
owner_of() {
  local candidates=() p
  [ -n "$1" ] || return 0
  for p in "$1" "$(readlink -f "$1")"; do
    candidates+=("$p")
    case "$p" in /usr/*) candidates+=("${p#/usr}") ;; *) candidates+=("/usr$p") ;; esac
  done
  for p in "${candidates[@]}"; do
    dpkg -S "$p" 2>/dev/null | head -n 1 | cut -d: -f1 | grep . && return 0
  done
  return 0
}
# Every library the program loads directly comes from a package that Depends names.
needed=$(readelf -d "$program" 2>/dev/null | sed -nE 's/.*\(NEEDED\).*\[(.*)\]/\1/p')
check "the packed program needs libraries" test -n "$needed"
for lib in $needed; do
  path=$("$ldconfig" -p | awk -v lib="$lib" '$1 == lib && /x86-64|x32|AArch64|64bit/ {print $NF; exit}')
  [ -n "$path" ] || path=$("$ldconfig" -p | awk -v lib="$lib" '$1 == lib {print $NF; exit}')
  owner=$(owner_of "$path")
  if [ -z "$owner" ]; then
    fail "Depends covers $lib" "no installed package owns it"
  elif grep -qx "$owner" <<<"$depends"; then
    pass "Depends covers $lib ($owner)"
  else
    fail "Depends covers $lib" "$owner is missing"
  fi
done

# --- apt install, remove, purge ----------------------------------------------

installed_packages() { dpkg-query -W -f='${db:Status-Abbrev} ${Package}:${Architecture}\n' | awk '$1 ~ /^.i/ {print $2}'; }
apt_quiet() { DEBIAN_FRONTEND=noninteractive timeout 300 apt-get -y -q "$@" >>"$work/apt.log" 2>&1; }
if [ "$(id -u)" != 0 ] || ! command -v apt-get >/dev/null; then
  echo "SKIP  apt install, remove and purge (needs root and apt-get)"
elif dpkg-query -W -f='${db:Status-Abbrev}' halvorn 2>/dev/null | grep -q '^.[ic]'; then
  echo "SKIP  apt install, remove and purge (this machine has a halvorn package; left alone)"
else
  # The package's paths that the machine does not have yet must all go again.
  new_paths=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\.||; s|/$||' | grep . |
    while read -r p; do [ -e "$p" ] || [ -L "$p" ] || echo "$p"; done)
  left_behind() { local p; for p in $new_paths; do [ -e "$p" ] || [ -L "$p" ] && echo "$p"; done; }
  before=$(installed_packages)
  # Whatever happens, the machine ends with the packages it had.
  restore() {
    apt_quiet purge halvorn $(comm -13 <(echo "$before") <(installed_packages))
    rm -rf "$work"
  }
  trap restore EXIT
  chmod 755 "$work" "$work/out"  # apt reads the file as its own user
  if apt_quiet install "$deb"; then
    pass "apt install ./$(basename "$deb")"
    check "the installed module runs: --version says 'halvorn $upstream'" \
      test "$(timeout 30 /usr/libexec/xscreensaver/halvorn --version)" = "halvorn $upstream"
  else
    fail "apt install ./$(basename "$deb")" "$(tail -n 5 "$work/apt.log")"
  fi
  apt_quiet remove halvorn
  check "apt remove leaves nothing of the package behind" test -z "$(left_behind)"
  apt_quiet purge halvorn
  check "apt purge: dpkg knows no halvorn package any more" \
    eval '! dpkg-query -W -f="\${db:Status-Abbrev}" halvorn 2>/dev/null | grep -q "^.[ic]"'
  restore
  trap 'rm -rf "$work"' EXIT
  check "the machine has the packages it had before" test "$(installed_packages)" = "$before"
fi

finish
