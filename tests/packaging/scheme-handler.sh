#!/usr/bin/env bash
# The desktop entry registers both link schemes: put into a data folder of
# its own and indexed as a package's installation indexes it, it is what
# xdg-mime (and so a browser) names for x-scheme-handler/parcel-two and
# x-scheme-handler/parcel2. The generic opener of xdg-utils (no desktop
# recognised, as on LXQt or without a desktop name) hands a parcel-two://
# link to the program the entry names; it takes parcel2:// for a file.
#   scheme-handler.sh DESKTOP_ENTRY
set -euo pipefail
entry="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/data/applications" "$work/config" "$work/bin"
cp "$entry" "$work/data/applications/parcel2.desktop"
update-desktop-database "$work/data/applications"
# Without a desktop's variables xdg-mime reads the index itself.
desktop_env() {
  env -i PATH="$work/bin:$PATH" HOME="$work" XDG_DATA_HOME="$work/data" XDG_DATA_DIRS="$work/data" \
    XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/config" "$@"
}
for scheme in parcel-two parcel2; do
  handler="$(desktop_env xdg-mime query default "x-scheme-handler/$scheme")"
  if [ "$handler" != parcel2.desktop ]; then
    echo "FAIL: xdg-mime names '$handler' for $scheme:// links" >&2
    exit 1
  fi
done

# The program the entry starts, standing in for the wizard: it writes down
# its arguments. A display's name is all the opener asks for; no server is
# reached.
cat > "$work/bin/parcel2" <<'STUB'
#!/bin/sh
printf '%s\n' "$@" > "$PARCEL2_ARGUMENTS"
STUB
chmod +x "$work/bin/parcel2"
link='parcel-two://purchase?no=1001&key=PARCEL2-DEMO'
desktop_env DISPLAY=:97 PARCEL2_ARGUMENTS="$work/arguments" xdg-open "$link" > "$work/open.out" 2>&1 ||
  { cat "$work/open.out" >&2; echo "FAIL: xdg-open could not open $link" >&2; exit 1; }
if [ "$(cat "$work/arguments" 2> /dev/null)" != "$link" ]; then
  echo "FAIL: the generic opener did not start parcel2 with the link" >&2
  exit 1
fi
echo "PASS: parcel-two:// and parcel2:// open with parcel2.desktop; xdg-open hands parcel-two:// links to parcel2"
