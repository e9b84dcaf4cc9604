# Debian packages the build and the tests need, and the installer that test.sh and
# demo.sh share. Sourced, not run.

# What building the programs needs; the tests need more. libxcb1-dev: the desktop tool asks
# the X display whether it answers before it chooses its platform.
ORVANE_BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev libxcb1-dev)
# xvfb, xdotool and the DejaVu fonts: the desktop tool end to end under a virtual display
# (libx11-dev: the test closes the window as a window manager does, through Xlib);
# clang with its runtime: the fuzz targets (libFuzzer); ppp: chat, the classic peer.
ORVANE_TEST_PACKAGES=("${ORVANE_BUILD_PACKAGES[@]}" libgtest-dev libgmock-dev iaxmodem
  xvfb xdotool libx11-dev fonts-dejavu-core clang libclang-rt-14-dev ppp)

# Installs the packages of the arguments that are not installed yet.
orvane_install_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "${pkg}" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("${pkg}")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
  fi
  echo "=== installing: ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Generates a locale the tests need (e.g. ru_RU.UTF-8: the system's error texts in Russian)
# through Debian's locales package, when the machine lacks it. A fresh Debian has none.
orvane_provide_locale() {
  local name=$1
  local charset=${name#*.}
  if locale -a 2>/dev/null | grep -qix "${name%%.*}\.${charset//-/}"; then
    return 0
  fi
  orvane_install_packages locales
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
  fi
  echo "=== generating the locale ${name}"
  if grep -q "^# *${name} " /etc/locale.gen; then
    "${sudo[@]}" sed -i "s/^# *${name} /${name} /" /etc/locale.gen
  elif ! grep -q "^${name} " /etc/locale.gen; then
    echo "${name} ${charset}" | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${sudo[@]}" locale-gen
}
