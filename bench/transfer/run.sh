#!/usr/bin/env bash
# Builds the transfer benchmark optimised and runs it: a 1 GiB part served
# by the loopback host, fetched by CUrlDownload and by the curl command
# line, side by side; every file is deleted afterwards.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPARCEL2_BENCHMARKS=ON -DPARCEL2_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target parcel2_transfer_bench
./build-bench/bench/transfer/parcel2_transfer_bench "$@"
