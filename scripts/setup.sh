#!/usr/bin/env bash
# The README's first command: installs what is missing, builds the program
# and runs its main job.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/packages.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DPARCEL2_TESTS=OFF
cmake --build build

if [ -x scripts/demo.sh ]; then
  exec scripts/demo.sh
elif [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/src/parcel2 "$@"
else
  echo "Built build/src/parcel2. No display here: start it from a desktop session."
fi
