#!/usr/bin/env bash
# The desktop entry registers the parcel2:// scheme: put into a data folder
# of its own and indexed as a package's installation indexes it, it is what
# xdg-mime (and so a browser) names for x-scheme-handler/parcel2.
#   scheme-handler.sh DESKTOP_ENTRY
set -euo pipefail
entry="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/data/applications" "$work/config"
cp "$entry" "$work/data/applications/parcel2.desktop"
update-desktop-database "$work/data/applications"
# Without a desktop's variables xdg-mime reads the index itself.
handler="$(env -i PATH="$PATH" HOME="$work" XDG_DATA_HOME="$work/data" XDG_DATA_DIRS="$work/data" \
  XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/config" xdg-mime query default x-scheme-handler/parcel2)"
if [ "$handler" != parcel2.desktop ]; then
  echo "FAIL: xdg-mime names '$handler' for parcel2:// links" >&2
  exit 1
fi
echo "PASS: parcel2:// opens with parcel2.desktop"
