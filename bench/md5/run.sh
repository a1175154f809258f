#!/usr/bin/env bash
# Builds the MD5 benchmark optimised and runs it: a 1 GiB file in a
# temporary folder, hashed by CMD5Digest and by md5sum, then deleted.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPARCEL2_BENCHMARKS=ON -DPARCEL2_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target parcel2_md5_bench
./build-bench/bench/md5/parcel2_md5_bench "$@"
