#!/usr/bin/env bash
# The verification of a resumed download, whole processes: every part of a
# 1 GiB product in 10 parts is already in the working folder from an
# earlier run that was killed before its verification, and parcel2
# --unattended checks them, joins them and checks the product.
#   1. Checking the parts (from the last log line before the first part's
#      check to the last part's) against md5sum over the same part files one
#      after the other, runs alternated; goal: at most 0.6x.
#   2. SIGTERM while the parts are being joined: the time from the signal to
#      the end of the process (goal: at most 2 s), the exit code, the
#      half-joined product gone and the parts still there.
# The host, every file and folder are gone at the end.
#   bench/e2e/verify.sh [RUNS]            (default 3)
#   PARCEL2_BENCH_BUILD   build folder (default build-bench)
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=bench/support/bench.sh
. bench/support/bench.sh

runs="${1:-3}"
size=1073741824
build="${PARCEL2_BENCH_BUILD:-build-bench}"
key="E2E-BENCH"

bench_require md5sum iconv /usr/bin/time

bench_parcel2_setup "$build" verify
run_pid=""
trap '[ -n "$run_pid" ] && kill -KILL "$run_pid" 2>/dev/null; bench_stop_host; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

echo "Publishing a product of $size random bytes in 10 parts..."
catalog="$work/catalog"
head -c "$size" /dev/urandom >"$work/product.bin"
"$host" publish --catalog "$catalog" --product "$work/product.bin" --name Bench --en-name Bench --number 1 \
  --id bench --file-name bench.bin --parts 10 --purchase "1:$key" >/dev/null
rm -f "$work/product.bin"
bench_start_host "$host" "$catalog" "$work/host.out"

bench_results="$work/results"
: >"$bench_results"
parts_dir="$run_dir/save/DownloadTemp"

# A fresh home and cache, and the parts in the working folder under the
# names the wizard gives them, as a killed run leaves them.
prepare_parts() {
  bench_fresh_run_dir
  mkdir -p "$parts_dir"
  awk -F, '$1 == "DL" && $2 != 0 { print $3, $4 }' "$catalog/bench/list.lst" | while read -r name digest; do
    cp "$catalog/bench/$name" "$parts_dir/DownloadFile_$digest.TMP"
  done
  sync
}

bench_ours_command 1 "$key" "$bench_host_url"

# Seconds from the last log line before the parts' checks to the last
# part's check, and the join's own seconds.
check_seconds() {
  iconv -f UTF-16LE -t UTF-8 "$run_dir/cache/QUILLMAR_DownloaderLog/"*.log | awk '
    function t(line,    c) { split(substr(line, 13, 12), c, ":"); return c[1] * 3600 + c[2] * 60 + c[3] }
    { now = t($0) }
    /Identical digest:.*DownloadFile_/ { if (!start) start = before; finish = now }
    /Start file-joint/ { join_start = now }
    /Finished file-joint/ { join_end = now }
    { before = now }
    END { printf "%.3f %.3f\n", finish - start, join_end - join_start }'
}

echo "Checking parts from an earlier run, $runs runs each, ours and md5sum alternated..."
: >"$work/checks"
for run in $(seq 1 "$runs"); do
  for side in $(if [ $((run % 2)) = 1 ]; then echo ours md5sum; else echo md5sum ours; fi); do
    prepare_parts
    if [ "$side" = ours ]; then
      bench_measure "ours" "${ours_command[@]}" -L
      echo "$(check_seconds)" >>"$work/checks"
    else
      bench_measure "md5sum" md5sum "$parts_dir"/*
    fi
  done
done

echo "SIGTERM during the join, $runs runs..."
: >"$work/quits"
for run in $(seq 1 "$runs"); do
  prepare_parts
  "${ours_command[@]}" >"$work/quit.out" 2>&1 &
  run_pid=$!
  # The join creates the product first thing.
  until [ -e "$run_dir/save/bench.bin" ] || ! kill -0 "$run_pid" 2>/dev/null; do sleep 0.005; done
  signalled="${EPOCHREALTIME/./}"
  kill -TERM "$run_pid" 2>/dev/null || true
  status=0
  wait "$run_pid" || status=$?
  ended="${EPOCHREALTIME/./}"
  run_pid=""
  left="$(find "$parts_dir" -name 'DownloadFile_*.TMP' | wc -l)"
  product="$([ -e "$run_dir/save/bench.bin" ] && echo kept || echo removed)"
  echo "$(((ended - signalled) / 1000)) $status $product $left" >>"$work/quits"
done
bench_stop_host

echo
echo "Resumed verification, medians of $runs alternated runs (seconds, peak memory in MiB):"
awk "$bench_awk_median"'
  FILENAME == ARGV[1] { values[$1, 2] = values[$1, 2] " " $2; values[$1, 3] = values[$1, 3] " " $3; values[$1, 4] = values[$1, 4] " " $4; next }
  { values["check", 1] = values["check", 1] " " $1; values["join", 1] = values["join", 1] " " $2 }
  END {
    check = median("check", 1); md5 = median("md5sum", 2)
    printf "  ours, the whole run     wall %.2f  CPU %.2f  peak %.1f\n", median("ours", 2), median("ours", 3), median("ours", 4) / 1024
    printf "  ours, checking the parts %.2f, joining with the product digest %.2f\n", check, median("join", 1)
    printf "  md5sum of the parts     wall %.2f  CPU %.2f  peak %.1f\n", md5, median("md5sum", 3), median("md5sum", 4) / 1024
    printf "  checking / md5sum %.2fx (goal: at most 0.60x: %s)\n", (md5 > 0 ? check / md5 : 0), (md5 > 0 && check / md5 <= 0.6 ? "met" : "missed")
  }' "$bench_results" "$work/checks"

echo
echo "SIGTERM during the join (milliseconds to the end of the process, exit code, product, parts left):"
awk '{ printf "  %5d ms  exit %d  product %s  %d parts left\n", $1, $2, $3, $4; if ($1 > worst) worst = $1 }
  END { printf "  longest %d ms (goal: at most 2000 ms: %s)\n", worst, (worst <= 2000 ? "met" : "missed") }' "$work/quits"
