#!/usr/bin/env bash
# Builds the download page benchmark optimised and runs it: a 1 GiB product
# in 10 parts served by the loopback host, fetched by DownloadToFile alone,
# by the executer alone and through the download page, in alternating
# rounds; every file is deleted afterwards. Argument: the number of rounds.
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=bench/support/bench.sh
source bench/support/bench.sh
bench_build build-bench parcel2_download_page_bench
QT_QPA_PLATFORM=offscreen ./build-bench/bench/download-page/parcel2_download_page_bench "$@"
