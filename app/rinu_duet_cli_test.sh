#!/usr/bin/env bash
# Runs the rinu-duet program on folders: the command line, an exact duet, the same duet from
# the same seed, refused folders left as they were, and a full disk that stops the duet with
# the files whole.
# Usage: rinu_duet_cli_test.sh PATH/TO/rinu-duet SOURCE_DIR
set -uo pipefail
tool="$1"
src="$2"
source "$src/packaging/test_lib.sh"

# The stored form of UTF-8 lines: Shift-JIS, each byte +3, CR LF.
stored() {
  printf '%s\n' "$@" | iconv -f UTF-8 -t CP932 |
    perl -ne 'chomp; s/(.)/chr((ord($1)+3)%256)/ges; print "$_\r\n"'
}
sjis() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }

# persona DIR NICK: a working folder with a TEXT log.
persona() {
  mkdir -p "$1"
  printf 'YourName:Taro\r\nRinuName:%s\r\n2\r\n' "$2" >"$1/set.ini"
}
# Every file of a folder with its bytes, for comparing before and after.
contents() {
  for dir in "$@"; do
    (cd "$dir" && find . -type f | sort | while read -r f; do echo "$f"; od -c "$f"; done)
  done
}
# A log without its time stamps.
unstamped() { sed -E 's/[A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{2} [0-9:]{8} [0-9]{4}/STAMP/' "$1"; }

# ---- Command line -------------------------------------------------------------------------

expect_status 0 "$tool" --help
grep -q "^usage: rinu-duet FOLDER_A FOLDER_B" "$tmp/out" || fail "--help prints no usage"
for args in "" "$tmp" "$tmp $tmp $tmp" "$tmp $tmp --exchanges 0" "$tmp $tmp --exchanges 1001" \
  "$tmp $tmp --exchanges x" "$tmp $tmp --seed -1" "$tmp $tmp --bogus" "$tmp $tmp --first"; do
  # shellcheck disable=SC2086
  expect_status 2 "$tool" $args
  [ ! -s "$tmp/out" ] || fail "$args: something was written to standard output"
done

# ---- An exact duet ------------------------------------------------------------------------
# A's no.dat is empty, so A opens with its own line; B's one record matches it; no line is
# left to a coin: the same output from any seed.
a="$tmp/a" b="$tmp/b"
persona "$a" Mio
persona "$b" Ren
stored "こんにちは%+%やあ" >"$a/memory.dat"
stored "ふーん" >"$a/boke.dat"
: >"$a/no.dat"
stored "何か%+%うん" >"$b/memory.dat"
stored "へえ" >"$b/boke.dat"
stored "なあに" >"$b/no.dat"
memory_a="$(od -c "$a/memory.dat")" memory_b="$(od -c "$b/memory.dat")"
expect_status 0 "$tool" "$a" "$b" --exchanges 2 --seed 5
printf 'Mio> 何か話し掛けてよ！\nRen> うん\n' | cmp -s - "$tmp/out" || fail "exact duet: $(cat "$tmp/out")"
[ ! -s "$tmp/err" ] || fail "exact duet: stderr: $(cat "$tmp/err")"
rule=---------------------------------------------------
{
  printf '%s\r\n%s\tSTAMP\r\n\r\n\r\n%s\r\n' "$rule" "$(sjis ここからはじめる)" "$(sjis Mio\>Ren君こんにちは。)"
  printf 'Ren>\r\n%s\r\n' "$(sjis Mio\>何か話し掛けてよ！)"
  printf '%s\r\n\r\n%s\t\tSTAMP\r\n\r\n%s\r\n\r\n\r\n' "$(sjis Mio\>ばいばーい)" "$(sjis ここまで)" "$rule"
} >"$tmp/want_a"
unstamped "$a/log.txt" | cmp -s - "$tmp/want_a" || fail "exact duet: A's log differs"
{
  printf '%s\r\n%s\tSTAMP\r\n\r\n\r\n%s\r\n' "$rule" "$(sjis ここからはじめる)" "$(sjis Ren\>Mio君こんにちは。)"
  printf '%s\r\n%s\r\n' "$(sjis Mio\>何か話し掛けてよ！)" "$(sjis Ren\>うん)"
  printf '%s\r\n\r\n%s\t\tSTAMP\r\n\r\n%s\r\n\r\n\r\n' "$(sjis Ren\>ばいばーい)" "$(sjis ここまで)" "$rule"
} >"$tmp/want_b"
unstamped "$b/log.txt" | cmp -s - "$tmp/want_b" || fail "exact duet: B's log differs"
[ "$(od -c "$a/memory.dat")" = "$memory_a" ] || fail "exact duet: A's memory changed"
[ "$(od -c "$b/memory.dat")" = "$memory_b" ] || fail "exact duet: B's memory changed"

# A first line is B's, answered by A.
expect_status 0 "$tool" "$a" "$b" --exchanges 1 --first "こんにちは" --seed 1
printf 'Ren> こんにちは\nMio> やあ\n' | cmp -s - "$tmp/out" || fail "first line: $(cat "$tmp/out")"

# ---- The same seed, the same duet ---------------------------------------------------------
for run in 1 2; do
  for side in a b; do
    mkdir -p "$tmp/seed$run/$side"
    cp "$src"/data/memory.dat "$src"/data/boke.dat "$src"/data/no.dat "$tmp/seed$run/$side/"
  done
  persona "$tmp/seed$run/a" Mio
  persona "$tmp/seed$run/b" Ren
  expect_status 0 "$tool" "$tmp/seed$run/a" "$tmp/seed$run/b" --exchanges 40 --seed 42
  cp "$tmp/out" "$tmp/seed$run.out"
done
[ "$(wc -l <"$tmp/seed1.out")" -eq 40 ] || fail "seeded duet: not 40 lines"
cmp -s "$tmp/seed1.out" "$tmp/seed2.out" || fail "seeded duet: the output differs"
for side in a b; do
  cmp -s "$tmp/seed1/$side/memory.dat" "$tmp/seed2/$side/memory.dat" ||
    fail "seeded duet: $side's memory differs"
  unstamped "$tmp/seed1/$side/log.txt" >"$tmp/log1"
  unstamped "$tmp/seed2/$side/log.txt" >"$tmp/log2"
  cmp -s "$tmp/log1" "$tmp/log2" || fail "seeded duet: $side's log differs"
done
expect_status 0 "$tool" "$tmp/seed1/a" "$tmp/seed1/b" --exchanges 40 --seed 43
cmp -s "$tmp/seed1.out" "$tmp/out" && fail "another seed gave the same duet"

# ---- Refused folders: the reason, nothing written -----------------------------------------
ln -s "$a" "$tmp/link-to-a"
mkdir "$tmp/nodata" && persona "$tmp/nodata" Nod && cp "$b"/memory.dat "$b"/boke.dat "$tmp/nodata/"
mkdir "$tmp/noini" && cp "$b"/*.dat "$tmp/noini/"
while IFS='|' read -r first second refused reason; do
  before="$(contents "$a" "$b" "$tmp/nodata" "$tmp/noini")"
  expect_status 1 "$tool" "$first" "$second"
  printf 'rinu-duet: %s: %s\n' "$refused" "$reason" | cmp -s - "$tmp/err" ||
    fail "$second: stderr is not '$refused: $reason': $(cat "$tmp/err")"
  [ ! -s "$tmp/out" ] || fail "$second: something was written to standard output"
  [ "$(contents "$a" "$b" "$tmp/nodata" "$tmp/noini")" = "$before" ] || fail "$second: a file changed"
done <<EOF
$a|$a|$a|もうひとつのフォルダと同じフォルダです
$a|$tmp/link-to-a|$tmp/link-to-a|もうひとつのフォルダと同じフォルダです
$a|$a/.|$a/.|もうひとつのフォルダと同じフォルダです
$a|$tmp/missing|$tmp/missing|見つかりません
$a|$tmp/nodata|$tmp/nodata|ファイルが足りません: no.dat
$a|$tmp/noini|$tmp/noini|set.iniがないか、正しくありません（そのフォルダでRinu++を一度起動して、名前とログモードを設定してください）
$tmp/noini|$a|$tmp/noini|set.iniがないか、正しくありません（そのフォルダでRinu++を一度起動して、名前とログモードを設定してください）
EOF

# ---- A full disk in B's folder ------------------------------------------------------------
# B's log is filled to just below the limit of 8 KiB (ulimit -f counts 1024-byte blocks in bash), so its start entry (123 bytes) fits
# and its first exchange does not.
head -c 8059 /dev/zero | tr '\0' x >"$b/log.txt"
: >"$a/log.txt"
(trap '' XFSZ; ulimit -f 8; exec "$tool" "$a" "$b" --exchanges 5 --seed 5) >"$tmp/out" 2>"$tmp/err"
status=$?
[ "$status" -eq 1 ] || fail "full disk: exit $status"
printf 'Mio> 何か話し掛けてよ！\nRen> うん\n' | cmp -s - "$tmp/out" || fail "full disk: $(cat "$tmp/out")"
grep -qF "rinu-duet: ログを書けません。" "$tmp/err" || fail "full disk: no log box: $(cat "$tmp/err")"
grep -qF "rinu-duet: Renのフォルダに書き込めなかったので、会話を止めました。" "$tmp/err" ||
  fail "full disk: no stop message: $(cat "$tmp/err")"
[ "$(stat -c %s "$b/log.txt")" -eq $((8059 + 123)) ] || fail "full disk: B's log is not whole"
[ "$(tail -c 2 "$b/log.txt" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "full disk: B's log ends mid-entry"
# A's log holds its start entry, its one exchange and its end entry, whole.
unstamped "$a/log.txt" | cmp -s - "$tmp/want_a" || fail "full disk: A's log differs"

[ "$failures" -eq 0 ] || exit 1
echo "rinu-duet: all checks passed"
