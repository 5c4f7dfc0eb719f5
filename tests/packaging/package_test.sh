#!/usr/bin/env bash
# Builds the Debian package with CPack into a temporary folder and checks it:
# its name, its control fields (the library dependencies among them, against
# the libraries the packed program really loads), its files and their modes,
# and that the packed program still runs.
#
#   tests/packaging/package_test.sh CPACK BUILD_DIR
#
# Needs dpkg-deb, dpkg-shlibdeps (dpkg-dev), readelf and ldconfig; exits with
# 77 (skipped) without them.
set -u
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=common.sh
. "$here/common.sh"

cpack=${1:?usage: package_test.sh CPACK BUILD_DIR}
build=$(cd "${2:?usage: package_test.sh CPACK BUILD_DIR}" && pwd) || exit 2
skip_unless dpkg-deb dpkg-shlibdeps dpkg readelf timeout
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
check "Version is set ($version)" test -n "$version"
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
  '-rwxr-xr-x root/root ./usr/libexec/xscreensaver/halvorn' \
  '-rw-r--r-- root/root ./usr/share/man/man6/halvorn.6.gz' \
  '-rw-r--r-- root/root ./usr/share/xscreensaver/config/halvorn.xml')
if [ "$files" = "$expected" ]; then
  pass "the package holds the program twice, halvorn.xml and halvorn.6.gz, and nothing else"
else
  fail "the package holds the program twice, halvorn.xml and halvorn.6.gz, and nothing else" \
    "$(tr '\n' ';' <<<"$files")"
fi

dpkg-deb -x "$deb" "$work/root"
program=$work/root/usr/bin/halvorn
check "the packed programs are the same file" \
  cmp -s "$program" "$work/root/usr/libexec/xscreensaver/halvorn"
check "the packed halvorn.xml is the source's" \
  cmp -s "$work/root/usr/share/xscreensaver/config/halvorn.xml" "$here/../../host/linux/halvorn.xml"
if [ -f "$program" ] && timeout 120 "$program" --headless --frames 1 --size 64x48 --seed 1 \
    >"$work/run.log" 2>&1; then
  pass "the packed program draws a headless frame"
else
  fail "the packed program draws a headless frame" "$(tail -n 2 "$work/run.log")"
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

finish
