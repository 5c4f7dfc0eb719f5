# shellcheck shell=bash
# Shared by the packaging tests: one line per check, a count at the end, and
# waits that always give up.  Source it, then call `finish` last.

passed=0
failed=0

pass() { passed=$((passed + 1)); echo "PASS  $1"; }
fail() { failed=$((failed + 1)); echo "FAIL  $1${2:+ -- $2}"; }
# check NAME COMMAND...: passes when COMMAND succeeds.
check() { local name=$1; shift; if "$@"; then pass "$name"; else fail "$name"; fi; }

# skip_unless TOOL...: exits with 77 (skipped) when a tool is missing.
skip_unless() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP  missing tool: $tool"; exit 77; }
  done
}

# wait_until SECONDS COMMAND...: polls COMMAND every 0.2 s until it succeeds.
wait_until() {
  local seconds=$1; shift
  local deadline=$(( $(date +%s%N) + seconds * 1000000000 ))
  until "$@" >/dev/null 2>&1; do
    [ "$(date +%s%N)" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}

finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
