# shellcheck shell=bash disable=SC2034
# Sourced by the scripts in scripts/. Installs the Debian packages the build
# needs when they are missing.
#
#   ensure_packages PACKAGE...
#
# Packages already installed are left alone. If some are missing: as root,
# apt-get update and install them; otherwise print the apt-get command to run
# as root and return 1.

# Everything the host presets (driver on the stand-in platform, tools, tests,
# benchmarks) need.
BAYERCAM_HOST_PACKAGES=(
  cmake ninja-build g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libpng-dev
)
# The Windows kernel cross build, the image check's objdump and nm, and the
# test signing's openssl and osslsigncode.
BAYERCAM_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64 mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  openssl osslsigncode)

package_installed() {
  [[ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" == "install ok installed" ]]
}

ensure_packages() {
  if ! command -v dpkg-query >/dev/null 2>&1; then
    echo "error: dpkg-query not found; this script expects Debian 12. Install: $*" >&2
    return 1
  fi

  local missing=() package
  for package in "$@"; do
    package_installed "$package" || missing+=("$package")
  done
  if ((${#missing[@]} == 0)); then
    return 0
  fi

  local install=(apt-get install -y --no-install-recommends "${missing[@]}")
  if [[ "$(id -u)" -ne 0 ]]; then
    echo "error: missing packages: ${missing[*]}" >&2
    echo "Run as root:" >&2
    echo "  apt-get update && DEBIAN_FRONTEND=noninteractive ${install[*]}" >&2
    return 1
  fi

  echo "== installing ${missing[*]} =="
  apt-get update
  DEBIAN_FRONTEND=noninteractive "${install[@]}"
}
