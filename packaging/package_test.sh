#!/usr/bin/env bash
# Builds the Debian package from a built tree (cpack -G DEB), checks its name, fields and
# files, runs lintian on it (no error or warning allowed), checks the licence in its copyright
# file and metainfo and its manual pages, unpacks it into a scratch root (dpkg -x) and runs
# the launcher from there without a display (Qt's offscreen platform), in a working
# folder that holds set.ini, where the chat window must open and log its greeting.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION APPSTREAM_ID
set -uo pipefail
build="$1"
src="$2"
version="$3"
appstream_id="$4"

source "$(dirname "${BASH_SOURCE[0]}")/test_lib.sh"

# ---- The package ------------------------------------------------------------------------

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log" >&2
  echo "FAIL: cpack -G DEB" >&2
  exit 1
fi
deb="$tmp/out/rinu_${version}_$(dpkg --print-architecture).deb"
if [ ! -f "$deb" ]; then
  echo "FAIL: no $(basename "$deb"); cpack made: $(ls "$tmp/out")" >&2
  exit 1
fi

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = rinu ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)'"
depends="$(field Depends)"
for dep in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6 \
  "fonts-ipafont-gothic | fonts-noto-cjk"; do
  case ", $depends," in *", $dep"[\ ,]*) ;; *) fail "Depends lacks $dep: $depends" ;; esac
done
case "$(field Recommends)" in *qt6-translations-l10n*) ;; *) fail "qt6-translations-l10n is not recommended" ;; esac

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's#^\./#/#' >"$tmp/files"
for f in /usr/bin/rinu /usr/bin/rinu-data /usr/bin/rinu-duet /usr/libexec/rinu/rinu /usr/share/rinu/memory.dat \
  /usr/share/rinu/boke.dat /usr/share/rinu/no.dat /usr/share/rinu/help.html \
  /usr/share/applications/rinu.desktop "/usr/share/metainfo/$appstream_id.metainfo.xml" \
  /usr/share/icons/hicolor/scalable/apps/rinu.svg /usr/share/doc/rinu/copyright \
  /usr/share/doc/rinu/changelog.gz /usr/share/man/man1/rinu.1.gz \
  /usr/share/man/man1/rinu-data.1.gz /usr/share/man/man1/rinu-duet.1.gz; do
  grep -qxF "$f" "$tmp/files" || fail "the package lacks $f"
done
for size in 16 24 32 48 64 128 256; do
  grep -qxF "/usr/share/icons/hicolor/${size}x${size}/apps/rinu.png" "$tmp/files" ||
    fail "the package lacks the ${size}x${size} icon"
done

# lintian: errors and warnings fail, the rest is shown.
lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$tmp/lintian.log" 2>&1
status=$?
cat "$tmp/lintian.log" >&2
[ "$status" -eq 0 ] || fail "lintian reports errors or warnings (status $status)"

# ---- Unpacked into a scratch root ---------------------------------------------------------

root="$tmp/root"
dpkg -x "$deb" "$root" || fail "dpkg -x"
entry="$root/usr/share/applications/rinu.desktop"
grep -qxF "Exec=/usr/bin/rinu" "$entry" || fail "rinu.desktop does not start /usr/bin/rinu"
desktop-file-validate "$entry" >&2 || fail "desktop-file-validate refuses the packaged entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/$appstream_id.metainfo.xml" >&2 ||
  fail "appstreamcli refuses the packaged metainfo"
grep -qF "<project_license>MIT</project_license>" "$root/usr/share/metainfo/$appstream_id.metainfo.xml" ||
  fail "the metainfo names no MIT licence"
# The copyright file is machine-readable and gives the MIT licence for every file.
copyright="$root/usr/share/doc/rinu/copyright"
head -1 "$copyright" | grep -qxF "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ||
  fail "the copyright file is not in the machine-readable format"
grep -qxF "License: MIT" "$copyright" || fail "the copyright file names no MIT licence"
# The manual pages are well-formed: man reports no warning.
for page in rinu rinu-data rinu-duet; do
  warnings="$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
    man --warnings -E UTF-8 -l -Tutf8 -Z "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)"
  [ -z "$warnings" ] || fail "man warns on $page.1: $warnings"
done

work="$tmp/home/.local/share/rinu"
mkdir -p "$work" "$tmp/runtime"
chmod 700 "$tmp/runtime"
printf 'YourName:Taro\r\nRinuName:Mio\r\n2\r\n' >"$work/set.ini"
env -i PATH="$PATH" HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/runtime" QT_QPA_PLATFORM=offscreen \
  "$root/usr/bin/rinu" >"$tmp/run.out" 2>&1 &
pid=$!
greeting="Mio>Taro$(printf '\x8c\x4e')"  # ...and the Shift-JIS bytes of the first kanji
for _ in $(seq 600); do
  grep -qaF "$greeting" "$work/log.txt" 2>/dev/null && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
grep -qaF "$greeting" "$work/log.txt" 2>/dev/null ||
  fail "the unpacked launcher logged no greeting: $(cat "$tmp/run.out")"
for f in memory.dat boke.dat no.dat help.html; do
  cmp -s "$work/$f" "$src/data/$f" || fail "$f was not copied from the package into $work"
done
if kill -0 "$pid" 2>/dev/null; then
  kill "$pid"
  wait "$pid" 2>/dev/null
else
  fail "the unpacked program ended by itself: $(cat "$tmp/run.out")"
fi
pid=""

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "package test passed: $(basename "$deb"), Depends: $depends"
