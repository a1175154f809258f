#!/usr/bin/env bash
# The README's first command: installs what is missing, builds the program,
# publishes the demo product, serves it on loopback and downloads it: in the
# wizard when there is a display, else unattended to a verified product and
# the demo installer's run. The host is stopped at the end either way.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/packages.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DPARCEL2_TESTS=OFF
cmake --build build

scripts/make-demo-catalog.sh build
port="${PARCEL2_DEMO_PORT:-8080}"
build/host/parcel2-host serve build/demo-catalog --port "$port" --quiet &
host=$!
trap 'kill $host 2>/dev/null; wait $host 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  kill -0 "$host" 2>/dev/null || { echo "setup: the demo host did not start (port $port busy?)" >&2; exit 1; }
  sleep 0.1
done

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  build/src/parcel2 -P 1001 -K PARCEL2-DEMO -H "http://127.0.0.1:$port" "$@"
else
  echo "No display here: downloading the demo product unattended."
  build/src/parcel2 --unattended --install -P 1001 -K PARCEL2-DEMO -H "http://127.0.0.1:$port" "$@"
fi
