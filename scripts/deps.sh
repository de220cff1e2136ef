# Sourced by scripts/run and scripts/test: installs the Debian packages named in $@ that are
# missing, as root or through sudo.
rinu_install_missing() {
  local missing=()
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Please install as root: ${missing[*]}" >&2; return 1; }
    sudo="sudo"
  fi
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

RINU_BUILD_PACKAGES=(g++ cmake make pkg-config libgtest-dev qt6-base-dev libgl-dev libedit-dev)
RINU_FONT_PACKAGES=(fonts-ipafont-gothic fonts-noto-cjk)
# Qt's own texts (edit menus, box buttons) in Japanese.
RINU_DESKTOP_PACKAGES=(qt6-translations-l10n)
# For the tests: the desktop entry and metainfo validators, the Debian package's tools and
# lintian, man (the manual pages' check), and the locales the Qt tests also run under.
RINU_TEST_PACKAGES=(desktop-file-utils appstream lintian dpkg-dev man-db locales)
# The journeys of testing/e2e: an X server, keys and clicks, a session bus with the
# accessibility bus, and Python to read it.
RINU_TEST_PACKAGES+=(xvfb xdotool dbus-daemon at-spi2-core python3-pyatspi)

# Makes the locale named in $1 (for example ja_JP.UTF-8) when the system lacks it: enables it
# in /etc/locale.gen and runs locale-gen, as root or through sudo.
rinu_make_locale() {
  local want="$1"
  # locale -a writes "ja_JP.utf8" for ja_JP.UTF-8.
  local listed
  listed="$(echo "$want" | tr '[:upper:]' '[:lower:]' | sed 's/utf-8$/utf8/')"
  locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | grep -qxF "$listed" && return 0
  echo "Making the locale $want"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Please make the locale $want as root" >&2; return 1; }
    sudo="sudo"
  fi
  local charset="${want##*.}"
  if grep -q "^# *$want $charset\$" /etc/locale.gen 2>/dev/null; then
    $sudo sed -i "s/^# *\($want $charset\)\$/\1/" /etc/locale.gen
  elif ! grep -qx "$want $charset" /etc/locale.gen 2>/dev/null; then
    echo "$want $charset" | $sudo tee -a /etc/locale.gen >/dev/null
  fi
  $sudo locale-gen
}
# clang, with the runtimes of its sanitizers and of libFuzzer (scripts/fuzz, scripts/test).
RINU_CLANG_PACKAGES=(clang libclang-rt-dev)
