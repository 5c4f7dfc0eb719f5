#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands there:
# the program in bin/ and a link to it in XScreenSaver's module folder, the
# settings file, the manual page, the desktop entries, icons and documents;
# that the settings file is well formed and that every command line it can
# produce is one the installed program accepts; that the manual page documents
# exactly the options the program lists; and that both name the version.
#
#   tests/packaging/install_test.sh CMAKE BUILD_DIR VERSION
#
# Needs xmllint (libxml2-utils) and gzip; exits with 77 (skipped) without
# them. groff, when present, also checks that the page formats cleanly.
set -u
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=common.sh
. "$here/common.sh"

cmake=${1:?usage: install_test.sh CMAKE BUILD_DIR VERSION}
build=${2:?usage: install_test.sh CMAKE BUILD_DIR VERSION}
version=${3:?usage: install_test.sh CMAKE BUILD_DIR VERSION}
skip_unless xmllint gzip timeout

work=$(mktemp -d /tmp/halvorn-install.XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

# --- the files --------------------------------------------------------------

if "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  pass "cmake --install into a temporary prefix"
else
  fail "cmake --install into a temporary prefix" "$(tail -n 5 "$work/install.log")"
  finish; exit
fi

program=$prefix/bin/halvorn
module=$prefix/libexec/xscreensaver/halvorn
xml=$prefix/share/xscreensaver/config/halvorn.xml
man=$prefix/share/man/man6/halvorn.6.gz

is_program() { [ -f "$1" ] && [ ! -L "$1" ] && [ -x "$1" ]; }
check "bin/halvorn is an executable file" is_program "$program"
check "libexec/xscreensaver/halvorn is a relative link to bin/halvorn" \
  eval '[ -L "$module" ] && [ "$(readlink "$module")" = ../../bin/halvorn ] && [ "$module" -ef "$program" ]'
check "share/xscreensaver/config/halvorn.xml is installed" test -f "$xml"
check "share/man/man6/halvorn.6.gz is installed" test -f "$man"

expected=$( (printf '%s\n' bin/halvorn libexec/xscreensaver/halvorn share/man/man6/halvorn.6.gz \
  share/xscreensaver/config/halvorn.xml share/applications/halvorn.desktop \
  share/applications/screensavers/halvorn.desktop share/doc/halvorn/copyright \
  share/doc/halvorn/changelog.Debian.gz share/lintian/overrides/halvorn
  for size in 16 32 48 64 128 256; do echo "share/icons/hicolor/${size}x${size}/apps/halvorn.png"; done) |
  LC_ALL=C sort)
installed=$(cd "$prefix" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)
if [ "$installed" = "$expected" ]; then
  pass "nothing else is installed"
else
  fail "nothing else is installed" "$(echo "$installed" | tr '\n' ' ')"
fi
if ! is_program "$program" || [ ! -f "$xml" ] || [ ! -f "$man" ]; then finish; exit; fi

# --- the settings file ------------------------------------------------------

if xmllint --noout "$xml" 2>"$work/xmllint.log"; then
  pass "halvorn.xml is well-formed"
else
  fail "halvorn.xml is well-formed" "$(head -n 3 "$work/xmllint.log")"
  finish; exit
fi
xpath() { xmllint --xpath "$1" "$xml" 2>/dev/null; }

check "halvorn.xml names the module halvorn" \
  test "$(xpath 'string(/screensaver/@name)')" = halvorn
check "halvorn.xml asks for a GL visual" test "$(xpath 'string(/screensaver/@gl)')" = yes
command_arg=$(xpath 'string(/screensaver/command/@arg)')
check "halvorn.xml runs the module with --root" test "$command_arg" = --root

# Every setting's contribution to the command line: each slider at its low,
# default and high values, each toggle's arg-set / arg-unset.
settings=()
n=$(xpath 'count(//number)')
for ((i = 1; i <= n; i++)); do
  arg=$(xpath "string((//number)[$i]/@arg)")
  for which in low default high; do
    value=$(xpath "string((//number)[$i]/@$which)")
    setting=${arg//%/$value}
    [[ " ${settings[*]} " == *" $setting "* ]] || settings+=("$setting")
  done
done
n=$(xpath 'count(//@arg-set | //@arg-unset)')
for ((i = 1; i <= n; i++)); do
  settings+=("$(xpath "string((//@arg-set | //@arg-unset)[$i])")")
done
if [ ${#settings[@]} -gt 0 ]; then
  pass "halvorn.xml has ${#settings[@]} settings arguments"
else
  fail "halvorn.xml has settings arguments"
fi

# A headless run of one frame accepts the settings and draws with them.
headless_run() {
  # shellcheck disable=SC2086  # an XML argument may hold several words
  timeout 120 "$program" --headless --frames 1 --size 64x48 --seed 1 $1 \
    >"$work/run.log" 2>&1
}
for s in "${settings[@]}"; do
  if headless_run "$s"; then
    pass "the program runs with '$s'"
  else
    fail "the program runs with '$s'" "exit $?: $(tail -n 2 "$work/run.log")"
  fi
done
# Every combination the dialog can produce: each subset of the toggles with
# each slider at its low, default and high values.
toggles=()
for ((i = 1; i <= n; i++)); do toggles+=("$(xpath "string((//@arg-set | //@arg-unset)[$i])")"); done
slider_values=()
for s in "${settings[@]}"; do
  case " ${toggles[*]} " in *" $s "*) ;; *) slider_values+=("$s") ;; esac
done
[ ${#slider_values[@]} -gt 0 ] || slider_values=("")
combinations=0
combination_failures=()
for ((mask = 0; mask < (1 << ${#toggles[@]}); mask++)); do
  chosen=()
  for ((t = 0; t < ${#toggles[@]}; t++)); do
    (( mask & (1 << t) )) && chosen+=("${toggles[$t]}")
  done
  for v in "${slider_values[@]}"; do
    combinations=$((combinations + 1))
    headless_run "$v ${chosen[*]}" || combination_failures+=("'$v ${chosen[*]}'")
  done
done
if [ ${#combination_failures[@]} -eq 0 ]; then
  pass "the program runs with each of the $combinations combinations of the settings"
else
  fail "the program runs with every combination of the settings" "${combination_failures[*]}"
fi

combined=()
for ((i = 1; i <= $(xpath 'count(//number)'); i++)); do
  arg=$(xpath "string((//number)[$i]/@arg)")
  combined+=("${arg//%/$(xpath "string((//number)[$i]/@high)")}")
done
n=$(xpath 'count(//@arg-set | //@arg-unset)')
for ((i = 1; i <= n; i++)); do combined+=("$(xpath "string((//@arg-set | //@arg-unset)[$i])")"); done
if headless_run "${combined[*]}"; then
  pass "the program runs with every setting at once: ${combined[*]}"
else
  fail "the program runs with every setting at once: ${combined[*]}" "$(tail -n 2 "$work/run.log")"
fi

# The module's own command line parses: without a display it fails to start
# (1), but never as a bad option (2). The settings split into words.
# shellcheck disable=SC2048,SC2086
timeout 30 env -u DISPLAY -u XSCREENSAVER_WINDOW "$program" $command_arg ${combined[*]} \
  >"$work/root.log" 2>&1
status=$?
if [ $status -eq 1 ]; then
  pass "'$command_arg ${combined[*]}' parses (exit 1 with no display)"
else
  fail "'$command_arg ${combined[*]}' parses (exit 1 with no display)" \
    "exit $status: $(tail -n 2 "$work/root.log")"
fi
# xscreensaver-settings previews a module by adding "--window-id ID" to its
# whole command line, --root included; the window id wins.
# shellcheck disable=SC2048,SC2086
timeout 30 env -u DISPLAY -u XSCREENSAVER_WINDOW "$program" $command_arg ${combined[*]} \
  --window-id 0x400008 >"$work/root.log" 2>&1
status=$?
if [ $status -eq 1 ]; then
  pass "the settings dialog's preview command parses (exit 1 with no display)"
else
  fail "the settings dialog's preview command parses (exit 1 with no display)" \
    "exit $status: $(tail -n 2 "$work/root.log")"
fi

# The sliders cover the whole range the program accepts: one step beyond
# either end is a bad option.
n=$(xpath 'count(//number)')
for ((i = 1; i <= n; i++)); do
  arg=$(xpath "string((//number)[$i]/@arg)")
  low=$(xpath "string((//number)[$i]/@low)")
  high=$(xpath "string((//number)[$i]/@high)")
  for outside in $((low - 1)) $((high + 1)); do
    # shellcheck disable=SC2086
    timeout 30 "$program" --headless --frames 0 ${arg//%/$outside} >/dev/null 2>&1
    status=$?
    if [ $status -eq 2 ]; then
      pass "the program refuses '${arg//%/$outside}' beyond the slider"
    else
      fail "the program refuses '${arg//%/$outside}' beyond the slider" "exit $status"
    fi
  done
done

# --help lists every option the settings file uses, and the sliders' default
# is the program's.
help=$(timeout 30 "$program" --help 2>&1)
# shellcheck disable=SC2048,SC2086
for word in $command_arg ${combined[*]}; do
  case "$word" in
    -*) if grep -qE -- "^ +${word}( |$)" <<<"$help"; then
          pass "--help lists $word"
        else
          fail "--help lists $word"
        fi ;;
  esac
done
n=$(xpath 'count(//number)')
for ((i = 1; i <= n; i++)); do
  option=$(xpath "string((//number)[$i]/@arg)"); option=${option%% *}
  default=$(xpath "string((//number)[$i]/@default)")
  if grep -E -- "^ +${option} " <<<"$help" | grep -q "(default ${default})"; then
    pass "$option defaults to $default in the program and in halvorn.xml"
  else
    fail "$option defaults to $default in the program and in halvorn.xml" \
      "$(grep -E -- "^ +${option} " <<<"$help")"
  fi
done

# --- the manual page --------------------------------------------------------

check "halvorn.6.gz is a valid gzip file" gzip -t "$man"
page=$(gzip -dc "$man")
help_options=$(grep -oE '^  --[a-z][a-z-]*' <<<"$help" | sed 's/^ *--//' | LC_ALL=C sort -u)
# The option headings of the OPTIONS section: ".B \-\-name" or ".BI \-\-name ..."
page_options=$(awk '/^\.SH /{inopt = ($2 == "OPTIONS")} inopt && prev == ".TP" {print} {prev = $0}' <<<"$page" |
  sed -nE 's/^\.BI? \\-\\-([a-z\\-]+).*/\1/p' | sed 's/\\-/-/g' | LC_ALL=C sort -u)
if [ -n "$help_options" ] && [ "$help_options" = "$page_options" ]; then
  pass "the manual page documents exactly the options of --help ($(wc -w <<<"$help_options"))"
else
  fail "the manual page documents exactly the options of --help" \
    "only in --help: $(comm -23 <(echo "$help_options") <(echo "$page_options") | tr '\n' ' ')\
only in the page: $(comm -13 <(echo "$help_options") <(echo "$page_options") | tr '\n' ' ')"
fi
check "the manual page is in section 6 and names version $version" grep -qE "^\\.TH HALVORN 6 .*\"Halvorn $version\"" <<<"$page"
check "halvorn --version says 'halvorn $version'" test "$(timeout 30 "$program" --version)" = "halvorn $version"
if command -v groff >/dev/null 2>&1; then
  warnings=$(groff -ww -z -man <<<"$page" 2>&1)
  if [ -z "$warnings" ]; then pass "the manual page formats without warnings"
  else fail "the manual page formats without warnings" "$(head -n 3 <<<"$warnings")"; fi
else
  echo "SKIP  the manual page formats without warnings (no groff)"
fi

finish
