#!/usr/bin/env bash
# Builds the MD5 benchmark optimised and runs it: a 1 GiB file in a
# temporary folder, hashed by CMD5Digest and by md5sum, then deleted.
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=bench/support/bench.sh
source bench/support/bench.sh
bench_build build-bench parcel2_md5_bench
./build-bench/bench/md5/parcel2_md5_bench "$@"
