#!/usr/bin/env bash
# Installs the Debian packages Driftway needs to build, run and test, when any
# is missing. Runs as root, or through sudo.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format
  libgtkmm-3.0-dev libwebkit2gtk-4.1-dev libpoppler-glib-dev libxml2-dev libglib2.0-bin
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils xdotool openbox dbus-x11 python3
  xdg-utils desktop-file-utils appstream groff-base
  fonts-dejavu-core poppler-utils
  at-spi2-core python3-gi gir1.2-atspi-2.0 dbus-daemon
)
[ "${DRIFTWAY_BENCH:-0}" = 1 ] && packages+=(surf falkon nodejs-doc libx11-dev)
[ "${DRIFTWAY_FUZZ:-0}" = 1 ] && packages+=(clang-14 libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
