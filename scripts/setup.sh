#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when they are missing.
set -euo pipefail

packages=(cmake ninja-build g++ clang-format qt6-base-dev qt6-serialport-dev qt6-l10n-tools qt6-translations-l10n
          libgl1-mesa-dev libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core
          qt6-serialbus-dev libmosquitto-dev mosquitto mosquitto-clients pkg-config)
if [[ "${KESTREL_WITH_FUZZ:-0}" == 1 ]]; then packages+=(clang-14 libclang-rt-14-dev); fi
# The real windows under Xvfb, and through the accessibility bus as a screen reader meets them.
if [[ "${KESTREL_WITH_X:-0}" == 1 ]]; then
  packages+=(xvfb x11-utils xdotool imagemagick dbus dbus-bin at-spi2-core python3-pyatspi python3-dbus python3-gi)
fi
if [[ "${KESTREL_WITH_PACKAGING:-0}" == 1 ]]; then packages+=(lintian desktop-file-utils appstream dpkg-dev file systemd); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
