#!/usr/bin/env bash
# Makes the demo catalog for parcel2-host: a small self-extracting installer
# script with about 40 MB of payload, published in several parts with a
# message page and an install command, for purchase 1001 with key
# PARCEL2-DEMO, its list signed when a maker's private key is given.
#   scripts/make-demo-catalog.sh [BUILD_DIR [SIGNING_KEY]]   (default: build, unsigned)
# The catalog goes to BUILD_DIR/demo-catalog; serve it with
#   BUILD_DIR/host/parcel2-host serve BUILD_DIR/demo-catalog
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build}"
signing=()
[ -n "${2:-}" ] && signing=(--signing-key "$2")
host="$build/host/parcel2-host"
catalog="$build/demo-catalog"
work="$build/demo-product"
product="Parcel2Demo-Setup.sh"
payload_mb="${PARCEL2_DEMO_PAYLOAD_MB:-40}"

if [ ! -x "$host" ]; then
  echo "make-demo-catalog: $host is missing; build the parcel2-host target first" >&2
  exit 1
fi

rm -rf "$work"
mkdir -p "$work/payload/data"
cat > "$work/payload/README.txt" <<'TEXT'
Parcel2 Demo
This folder was unpacked by the demo installer that Parcel2 downloaded,
checked and joined from its parts.
TEXT
# Random data does not compress, so the parts stay as large as the payload.
for i in $(seq 1 4); do
  head -c $((payload_mb * 1024 * 1024 / 4)) /dev/urandom > "$work/payload/data/sample-$i.bin"
done
(cd "$work/payload" && sha256sum README.txt data/* > SHA256SUMS)

cat > "$work/$product" <<'INSTALLER'
#!/bin/sh
# Parcel2 demo installer: unpacks the archive appended below this script.
#   sh Parcel2Demo-Setup.sh [TARGET_FOLDER]   (default: $HOME/Parcel2Demo)
set -e
target="${1:-$HOME/Parcel2Demo}"
echo "Installing Parcel2 Demo into $target"
mkdir -p "$target"
start=$(awk '/^__PARCEL2_PAYLOAD_BELOW__$/ { print NR + 1; exit 0 }' "$0")
tail -n +"$start" "$0" | tar -xf - -C "$target"
if command -v sha256sum > /dev/null; then
  (cd "$target" && sha256sum -c --quiet SHA256SUMS)
fi
echo "Parcel2 Demo is installed in $target"
exit 0
__PARCEL2_PAYLOAD_BELOW__
INSTALLER
tar -cf - -C "$work/payload" . >> "$work/$product"

rm -rf "$catalog"
"$host" publish --catalog "$catalog" --product "$work/$product" \
  --name "Parcel2 Demo" --en-name "Parcel2 Demo" --number 100 --id demo \
  --part-size $((8 * 1024 * 1024)) \
  --install "/bin/sh|$product|0|1" \
  --message "1|This is the Parcel2 demo download.//It fetches a small installer with about ${payload_mb} MB of payload in several parts." \
  --purchase "1001:PARCEL2-DEMO" "${signing[@]}"
rm -rf "$work"
echo "Demo catalog ready: $catalog (purchase 1001, key PARCEL2-DEMO)"
