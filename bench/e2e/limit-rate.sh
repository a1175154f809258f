#!/usr/bin/env bash
# The bandwidth limit, whole processes: parcel2 --unattended --limit-rate
# 500K fetching a 2 MiB product from parcel2-host on loopback, as one part
# and as four, runs alternated. Goal: 4 s +/- 20 % (3.2 to 4.8 s) for the
# whole process. The host, every file and folder are gone at the end.
#   bench/e2e/limit-rate.sh [RUNS]        (default 3)
#   PARCEL2_BENCH_BUILD   build folder (default build-bench)
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=bench/support/bench.sh
. bench/support/bench.sh

runs="${1:-3}"
build="${PARCEL2_BENCH_BUILD:-build-bench}"
bench_require /usr/bin/time md5sum

bench_parcel2_setup "$build" rate
trap 'bench_stop_host; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

head -c $((2 * 1024 * 1024)) /dev/urandom >"$work/product.bin"
for parts in 1 4; do
  "$host" publish --catalog "$work/catalog" --product "$work/product.bin" --name Rate --en-name Rate \
    --number "$parts" --id "parts$parts" --file-name rate.bin --parts "$parts" --purchase "$parts:rate" >/dev/null
done
expected="$(md5sum <"$work/product.bin" | cut -d' ' -f1)"
bench_start_host "$host" "$work/catalog" "$work/host.out"

bench_results="$work/results"
: >"$bench_results"
for run in $(seq 1 "$runs"); do
  for parts in $(if [ $((run % 2)) = 1 ]; then echo 1 4; else echo 4 1; fi); do
    bench_fresh_run_dir
    bench_ours_command "$parts" rate "$bench_host_url" --limit-rate 500K
    bench_measure "$parts" "${ours_command[@]}"
    [ "$(md5sum <"$run_dir/save/rate.bin" | cut -d' ' -f1)" = "$expected" ] || { echo "limit-rate.sh: wrong product" >&2; exit 1; }
  done
done

echo
echo "2 MiB at --limit-rate 500K, medians of $runs alternated runs (wall and CPU in seconds, peak memory in MiB):"
awk "$bench_awk_median"'
  { for (f = 2; f <= 4; f++) values[$1, f] = values[$1, f] " " $f }
  END {
    for (p = 1; p <= 4; p += 3) {
      w = median(p, 2)
      printf "  %d part%s  wall %.2f  CPU %.2f  peak %.1f   %+.0f %% from 4 s (goal: within 20 %%: %s)\n", p, (p > 1 ? "s" : " "),
        w, median(p, 3), median(p, 4) / 1024, (w - 4) * 25, (w >= 3.2 && w <= 4.8 ? "met" : "missed")
    }
  }' "$bench_results"
