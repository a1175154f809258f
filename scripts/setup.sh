#!/usr/bin/env bash
# The README's first command: installs what is missing, builds the program
# and runs its main job.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/packages.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DPARCEL2_TESTS=OFF
cmake --build build

# The main job: the demo product published into a local catalog, served on
# loopback, and the wizard started against it for the demo purchase.
scripts/make-demo-catalog.sh build
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Built build/src/parcel2 and the demo catalog in build/demo-catalog."
  echo "No display here: run this again from a desktop session to start the wizard."
  exit 0
fi
build/host/parcel2-host serve build/demo-catalog &
host=$!
trap 'kill $host 2>/dev/null; wait $host 2>/dev/null' EXIT
build/src/parcel2 -P 1001 -K PARCEL2-DEMO -H http://127.0.0.1:8080 "$@"
