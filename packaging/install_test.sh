#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks every installed file, then runs the
# installed launcher without a display (Qt's offscreen platform): once in a working folder
# that does not exist yet, where the program must wait in its first-run setup dialog, and
# once in one that holds set.ini, where it must open the chat window and log its greeting.
# The desktop entry and the metainfo must pass desktop-file-validate and appstreamcli.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR BINDIR LIBEXECDIR DATADIR WITH_DATA_TOOL(ON|OFF)
#                        APPSTREAM_ID
set -uo pipefail
build="$1"
src="$2"
bindir="$3"
libexecdir="$4"
datadir="$5"
with_tool="$6"
appstream_id="$7"

source "$(dirname "${BASH_SOURCE[0]}")/test_lib.sh"

prefix="$tmp/prefix"
if ! cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1; then
  cat "$tmp/install.log" >&2
  echo "FAIL: cmake --install" >&2
  exit 1
fi

# ---- The installed tree -----------------------------------------------------------------

expect_program() {
  [ -f "$prefix/$1" ] && [ -x "$prefix/$1" ] || fail "$1 is missing or not executable"
}
expect_same() {  # installed file, source file
  cmp -s "$prefix/$1" "$2" || fail "$1 is missing or differs from $2"
}
expect_png() {  # file, size: the PNG header's width and height
  local f="$prefix/$1"
  if [ ! -f "$f" ]; then
    fail "$1 is missing"
    return
  fi
  local want
  want="$(printf '%08x%08x' "$2" "$2")"
  local got
  got="$(od -An -tx1 -j16 -N8 "$f" | tr -d ' \n')"
  [ "$got" = "$want" ] || fail "$1 is not $2x$2 (header $got)"
}

expect_program "$bindir/rinu"
expect_program "$libexecdir/rinu/rinu"
head -c2 "$prefix/$bindir/rinu" | grep -q '#!' || fail "$bindir/rinu is not the launcher script"
if [ "$with_tool" = ON ]; then
  expect_program "$bindir/rinu-data"
  "$prefix/$bindir/rinu-data" decode "$prefix/$datadir/rinu/no.dat" >/dev/null ||
    fail "the installed rinu-data cannot decode the installed no.dat"
fi
expect_program "$bindir/rinu-duet"
for f in memory.dat boke.dat no.dat help.html; do
  expect_same "$datadir/rinu/$f" "$src/data/$f"
done
for size in 16 24 32 48 64 128 256; do
  expect_png "$datadir/icons/hicolor/${size}x${size}/apps/rinu.png" "$size"
done
expect_same "$datadir/icons/hicolor/scalable/apps/rinu.svg" "$src/res/icons/rinu.svg"
# The manual pages, compressed without a name or time in them (the same bytes every build).
pages=(rinu rinu-duet)
[ "$with_tool" = ON ] && pages+=(rinu-data)
for page in "${pages[@]}"; do
  gz="$prefix/$datadir/man/man1/$page.1.gz"
  if ! gzip -dc "$gz" 2>/dev/null | cmp -s - "$src/man/$page.1"; then
    fail "$datadir/man/man1/$page.1.gz is missing or is not man/$page.1"
  elif [ "$(od -An -tx1 -j3 -N5 "$gz" | tr -d ' \n')" != 0000000000 ]; then
    fail "$page.1.gz holds a file name or a time stamp"
  fi
done

entry="$prefix/$datadir/applications/rinu.desktop"
if [ ! -f "$entry" ]; then
  fail "$datadir/applications/rinu.desktop is missing"
else
  for line in "[Desktop Entry]" "Type=Application" "Name=Rinu++" "Name[ja]=Rinu++" \
    "GenericName[ja]=おしゃべり相手" "Exec=$prefix/$bindir/rinu" "TryExec=$prefix/$bindir/rinu" \
    "Icon=rinu" "StartupWMClass=rinu" "X-Rinu-Version=1.0.0.0"; do
    grep -qxF -- "$line" "$entry" || fail "rinu.desktop lacks the line '$line'"
  done
  for key in GenericName Comment 'Comment\[ja\]' Keywords 'Keywords\[ja\]' Categories; do
    grep -q "^$key=." "$entry" || fail "rinu.desktop has no $key"
  done
  grep -q '@' "$entry" && fail "rinu.desktop has an unfilled field: $(grep '@' "$entry")"
  desktop-file-validate "$entry" >&2 || fail "desktop-file-validate refuses rinu.desktop"
fi
metainfo="$prefix/$datadir/metainfo/$appstream_id.metainfo.xml"
if [ ! -f "$metainfo" ]; then
  fail "$datadir/metainfo/$appstream_id.metainfo.xml is missing"
else
  grep -q '@' "$metainfo" && fail "the metainfo has an unfilled field: $(grep '@' "$metainfo")"
  appstreamcli validate --no-net "$metainfo" >&2 || fail "appstreamcli refuses the metainfo"
fi
grep -qF "$entry" "$build/install_manifest.txt" 2>/dev/null ||
  fail "install_manifest.txt does not list rinu.desktop"

# ---- The installed launcher -------------------------------------------------------------

# Starts the launcher in the background with HOME and XDG_DATA_HOME as given.
start() {
  local home="$1" xdg="$2"
  mkdir -p "$home" "$tmp/runtime"
  chmod 700 "$tmp/runtime"
  env -i PATH="$PATH" HOME="$home" ${xdg:+XDG_DATA_HOME="$xdg"} XDG_RUNTIME_DIR="$tmp/runtime" \
    QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
    "$prefix/$bindir/rinu" >"$tmp/run.out" 2>&1 &
  pid=$!
}
stop() {
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    wait "$pid" 2>/dev/null
    pid=""
    return 0
  fi
  wait "$pid"
  local status=$?
  pid=""
  fail "the program ended by itself with status $status: $(cat "$tmp/run.out")"
  return 1
}
# wait_for SECONDS COMMAND...: true once COMMAND succeeds, false when the time is up or the
# program has ended.
wait_for() {
  local tenths=$(($1 * 10))
  shift
  while [ "$tenths" -gt 0 ]; do
    "$@" && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
    tenths=$((tenths - 1))
  done
  return 1
}
has_default_files() {
  local f
  for f in memory.dat boke.dat no.dat help.html; do
    cmp -s "$1/$f" "$src/data/$f" || return 1
  done
}

# 1. XDG_DATA_HOME names a folder that does not exist: the launcher makes the working folder
#    with the default files, and the program, finding no set.ini, waits in the setup dialog.
xdg="$tmp/xdg"
start "$tmp/home1" "$xdg"
wait_for 30 has_default_files "$xdg/rinu" || fail "the working folder $xdg/rinu was not prepared"
sleep 2
[ -e "$xdg/rinu/set.ini" ] && fail "set.ini was written although nobody answered the setup"
stop
[ -e "$tmp/home1/.local/share/rinu" ] && fail "XDG_DATA_HOME was not used"

# 2. No XDG_DATA_HOME: the folder is under HOME. It already holds set.ini and a memory of the
#    user's own, which must be kept; the chat window opens and logs its greeting.
work="$tmp/home2/.local/share/rinu"
mkdir -p "$work"
printf 'YourName:Taro\r\nRinuName:Mio\r\n2\r\n' >"$work/set.ini"
printf 'mine\r\n' >"$work/memory.dat"
greeting="Mio>Taro$(printf '\x8c\x4e')"  # ...and the Shift-JIS bytes of the first kanji
logged() { grep -qaF "$greeting" "$work/log.txt" 2>/dev/null; }
start "$tmp/home2" ""
wait_for 60 logged || fail "no greeting in $work/log.txt: $(cat "$tmp/run.out")"
stop
[ "$(cat "$work/memory.dat")" = "$(printf 'mine\r\n')" ] || fail "the user's memory.dat was replaced"
for f in boke.dat no.dat help.html; do
  cmp -s "$work/$f" "$src/data/$f" || fail "$f was not copied into $work"
done

# 3. A relative XDG_DATA_HOME is not a place to work in: HOME is used.
start "$tmp/home3" "relative"
wait_for 30 has_default_files "$tmp/home3/.local/share/rinu" ||
  fail "a relative XDG_DATA_HOME was not ignored"
stop

# 4. The terminal's filter needs no display. Without a folder it works in the per-user folder
#    (here the one of case 2); a folder given, relative to the current folder, is used instead.
out=$(cd "$tmp" && env -i PATH="$PATH" HOME="$tmp/home2" ASAN_OPTIONS=detect_leaks=0 \
  "$prefix/$bindir/rinu" --pipe --encoding cp932 </dev/null 2>&1) ||
  fail "rinu --pipe without a folder failed: $out"
[ "$(grep -ac 'Mio>Taro' "$work/log.txt")" -ge 2 ] || fail "rinu --pipe did not use $work"
mkdir -p "$tmp/own"
cp "$src/data/memory.dat" "$src/data/boke.dat" "$src/data/no.dat" "$tmp/own/"
printf 'YourName:Jiro\r\nRinuName:Ren\r\n2\r\n' >"$tmp/own/set.ini"
out=$(cd "$tmp" && printf 'exit\n' | env -i PATH="$PATH" HOME="$tmp/home2" \
  ASAN_OPTIONS=detect_leaks=0 "$prefix/$bindir/rinu" --pipe own 2>&1) ||
  fail "rinu --pipe own failed: $out"
grep -qa 'Ren>Jiro' "$tmp/own/log.txt" 2>/dev/null || fail "rinu --pipe own did not work in own"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "install test passed"
