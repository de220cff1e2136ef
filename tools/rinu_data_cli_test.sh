#!/usr/bin/env bash
# Runs the rinu-data program on files: exit status, messages, the committed data files, and
# that nothing is written when the input is refused.
# Usage: rinu_data_cli_test.sh PATH/TO/rinu-data SOURCE_DIR
set -uo pipefail
tool="$1"
src="$2"
source "$src/packaging/test_lib.sh"

expect_err() {
  grep -qF -- "$1" "$tmp/err" || fail "stderr lacks '$1': $(cat "$tmp/err")"
}

expect_no_out() {
  [ ! -s "$tmp/out" ] || fail "something was written to standard output"
}

# Command line.
expect_status 0 "$tool" --help
grep -q "^usage: rinu-data decode" "$tmp/out" || fail "--help prints no usage"
expect_status 2 "$tool"
expect_status 2 "$tool" encode --bogus
expect_err "unknown option --bogus"
expect_status 2 "$tool" decode "$tmp/missing.dat"
expect_err "cannot open"

# The committed data files decode to their sources and are re-made byte for byte.
for name in memory boke no; do
  expect_status 0 "$tool" decode "$src/data/$name.dat"
  cmp -s "$tmp/out" "$src/data/src/$name.txt" || fail "decode $name.dat differs from its source"
  mkdir -p "$tmp/made"
  expect_status 0 "$tool" encode -o "$tmp/made/$name.dat" <"$src/data/src/$name.txt"
  cmp -s "$tmp/made/$name.dat" "$src/data/$name.dat" || fail "encode -o $name.dat differs"
done
expect_status 0 "$tool" encode --lines <"$src/data/src/no.txt"
cmp -s "$tmp/out" "$src/data/no.dat" || fail "encode --lines to standard output differs"
[ "$(ls "$tmp/made")" = "$(printf 'boke.dat\nmemory.dat\nno.dat')" ] || fail "left-over files"

# A text without a final line break, with comments and empty lines, comes back the same.
printf '// note\n\nabc%%+%%xyz\n\nlast' >"$tmp/plain.txt"
expect_status 0 "$tool" encode -o "$tmp/m.dat" <"$tmp/plain.txt"
[ "$(od -An -tx1 "$tmp/m.dat" | tr -d ' \n')" = \
  "2f2f206e6f74650d0a0d0a646566282e287b7c7d0d0a0d0a6f647677" ] ||
  fail "stored bytes: $(od -An -tx1 "$tmp/m.dat")"
expect_status 0 "$tool" decode "$tmp/m.dat"
cmp -s "$tmp/out" "$tmp/plain.txt" || fail "decode does not give the text back"

# Refused text: status 1, FILE:LINE: reason, nothing written, an existing file untouched.
printf 'ok\nmata ne \xe3\x80\x9c\n' >"$tmp/bad.txt"
expect_status 1 "$tool" encode <"$tmp/bad.txt"
expect_err "<stdin>:2: "
expect_no_out
expect_status 1 "$tool" encode -o "$tmp/new.dat" <"$tmp/bad.txt"
[ ! -e "$tmp/new.dat" ] || fail "a refused encode made a file"
cp "$tmp/m.dat" "$tmp/keep.dat"
expect_status 1 "$tool" encode -o "$tmp/keep.dat" <"$tmp/bad.txt"
cmp -s "$tmp/keep.dat" "$tmp/m.dat" || fail "a refused encode changed the file"
printf 'a\x07b\n' >"$tmp/bell.txt"
expect_status 1 "$tool" encode --lines <"$tmp/bell.txt"
expect_err "<stdin>:1: the byte 0x07"
printf 'x\ny\rz\n' >"$tmp/cr.txt"
expect_status 1 "$tool" encode --lines <"$tmp/cr.txt"
expect_err "<stdin>:2: a CR"

# Refused stored file: status 1, nothing on standard output.
printf 'def\r\n\x88\x43\r\n' >"$tmp/bad.dat"
expect_status 1 "$tool" decode "$tmp/bad.dat"
expect_err "$tmp/bad.dat:2: "
expect_no_out

# A line too long for the program is shown with a warning.
{ printf 'd%.0s' $(seq 1 400); printf '\r\n'; } >"$tmp/long.dat"
expect_status 0 "$tool" decode "$tmp/long.dat"
expect_err "long.dat:1: 400 bytes long"
[ "$(wc -c <"$tmp/out")" -eq 401 ] || fail "long line not decoded"

# Nothing but what was asked for is left in the folder.
leftover="$(ls "$tmp" | grep -v -e '^made$' -e '\.dat$' -e '\.txt$' -e '^out$' -e '^err$')"
[ -z "$leftover" ] || fail "left-over files: $leftover"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "rinu-data: all checks passed"
