#!/usr/bin/env bash
# The README's first command: installs what is missing, builds the program,
# publishes the demo product, serves it on loopback and downloads it: in the
# wizard when there is a display, else unattended to a verified product and
# the demo installer's run. The host is stopped at the end either way.
# PARCEL2_DEMO_HTTPS=1 serves it over HTTPS instead, with a throwaway
# authority (build/demo-tls) that only this download trusts.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/packages.sh
# The maker's two openssl commands; kept across runs, so a rebuild is not forced.
key=build/demo-maker-key
if [ ! -f "$key/maker.pub.pem" ]; then
  mkdir -p "$key"
  (umask 077 && openssl genpkey -algorithm ed25519 -out "$key/maker.pem")
  openssl pkey -in "$key/maker.pem" -pubout -out "$key/maker.pub.pem"
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DPARCEL2_TESTS=OFF \
  -DPARCEL2_MAKER_KEYS="$PWD/$key/maker.pub.pem" -DPARCEL2_DEMO_SIGNING_KEY="$PWD/$key/maker.pem"
cmake --build build

scripts/make-demo-catalog.sh build "$key/maker.pem"
port="${PARCEL2_DEMO_PORT:-8080}"
scheme=http
tls=()
if [ "${PARCEL2_DEMO_HTTPS:-0}" = 1 ]; then
  rm -rf build/demo-tls
  scripts/make-tls-certificates.sh build/demo-tls
  scheme=https
  tls=(--tls-cert build/demo-tls/host.pem --tls-key build/demo-tls/host.key)
  export SSL_CERT_FILE="$PWD/build/demo-tls/ca.pem"
  unset CURL_CA_BUNDLE SSL_CERT_DIR
fi
build/host/parcel2-host serve build/demo-catalog --port "$port" --quiet "${tls[@]}" &
host=$!
trap 'kill $host 2>/dev/null; wait $host 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  kill -0 "$host" 2>/dev/null || { echo "setup: the demo host did not start (port $port busy?)" >&2; exit 1; }
  sleep 0.1
done

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  build/src/parcel2 -P 1001 -K PARCEL2-DEMO -H "$scheme://127.0.0.1:$port" "$@"
else
  echo "No display here: downloading the demo product unattended."
  build/src/parcel2 --unattended --install -P 1001 -K PARCEL2-DEMO -H "$scheme://127.0.0.1:$port" "$@"
fi
