# Sourced by the install, package and command-line tests: a scratch folder removed on exit
# together with the program they started ($pid), fail, which reports and counts a failed
# check, and expect_status.
tmp="$(mktemp -d)"
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# expect_status WANT CMD...: runs CMD with stdout to $tmp/out and stderr to $tmp/err.
expect_status() {
  local want="$1"
  shift
  "$@" >"$tmp/out" 2>"$tmp/err"
  local got=$?
  [ "$got" -eq "$want" ] || fail "$* exited $got, wanted $want: $(cat "$tmp/err")"
}
