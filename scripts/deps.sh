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

RINU_BUILD_PACKAGES=(g++ cmake make pkg-config libgtest-dev qt6-base-dev libgl-dev)
RINU_FONT_PACKAGES=(fonts-ipafont-gothic fonts-noto-cjk)
# clang, with the runtimes of its sanitizers and of libFuzzer (scripts/fuzz, scripts/test).
RINU_CLANG_PACKAGES=(clang libclang-rt-dev)
