#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the README need,
# only those that are missing, without asking anything.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libcurl4-openssl-dev libssl-dev libcpp-httplib-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-noto-cjk qt6-translations-l10n nginx-light haproxy xdg-utils desktop-file-utils
  openssl dbus-daemon
  xvfb xdotool imagemagick
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
