#!/usr/bin/env bash
# End-to-end benchmark, whole processes side by side: parcel2 --unattended
# downloading a product of 10 parts from parcel2-host on loopback into a
# fresh folder (fresh home and cache, so no list is reused and nothing
# resumes), against the standard tools doing the same job from the same host
# in one script (bench/e2e/standard-tools.sh: the list, ten curl POSTs,
# md5sum of the parts, cat to join, md5sum of the product), and against one
# md5sum of the product alone. Runs are alternated; the medians of wall
# time, CPU time (user + sys) and peak memory are printed with the ratios,
# then where the time goes on each side: one more run of ours with the
# diagnostic log, and the tools' own step times.
# The host, every file and folder are gone at the end.
#   bench/e2e/run.sh [--tls] [RUNS]       (default 3)
#   --tls                 ours over HTTPS (a throwaway authority given through
#                         SSL_CERT_FILE) against ours over HTTP, in place of
#                         the standard tools
#   PARCEL2_BENCH_SIZES   product sizes in bytes (default "10000000 1073741824")
#   PARCEL2_BENCH_BUILD   build folder (default build-bench)
#   PARCEL2_BENCH_ARGS    more switches for ours (e.g. "--connections 1")
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=bench/support/bench.sh
. bench/support/bench.sh

tls=0
if [ "${1:-}" = --tls ]; then
  tls=1
  shift
fi
runs="${1:-3}"
sizes="${PARCEL2_BENCH_SIZES:-10000000 1073741824}"
build="${PARCEL2_BENCH_BUILD:-build-bench}"
tools_script="$PWD/bench/e2e/standard-tools.sh"
key="E2E-BENCH"

bench_require curl md5sum iconv /usr/bin/time

bench_parcel2_setup "$build" e2e
plain_host_pid=""
trap 'bench_stop_host; [ -z "$plain_host_pid" ] || kill "$plain_host_pid" 2>/dev/null; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM  # an interrupted run cleans up too

# One product a size, each in 10 parts with its own purchase; the digest of
# what was published checks the first download of either side.
catalog="$work/catalog"
declare -A product_md5 product_name
n=0
for size in $sizes; do
  n=$((n + 1))
  echo "Publishing a product of $size random bytes in 10 parts..."
  head -c "$size" /dev/urandom >"$work/product.bin"
  product_md5[$n]="$(md5sum <"$work/product.bin" | cut -d' ' -f1)"
  product_name[$n]="bench$n.bin"
  "$host" publish --catalog "$catalog" --product "$work/product.bin" --name "Bench$n" --en-name "Bench$n" \
    --number "$n" --id "size$n" --file-name "${product_name[$n]}" --parts 10 --purchase "$n:$key" >/dev/null
  rm -f "$work/product.bin"
  cat "$catalog/size$n/"*.0* >/dev/null  # the host serves from the page cache on every run
done

bench_start_host "$host" "$catalog" "$work/host.out"
url="$bench_host_url"
sides=(ours tools)
if [ "$tls" = 1 ]; then
  # The plain host stays for the other side; the https one is "ours".
  plain_host_pid="$bench_host_pid"
  plain_url="$url"
  scripts/make-tls-certificates.sh "$work/tls"
  bench_start_host "$host" "$catalog" "$work/tls-host.out" --tls-cert "$work/tls/host.pem" --tls-key "$work/tls/host.key"
  url="$bench_host_url"
  unset CURL_CA_BUNDLE SSL_CERT_DIR
  export SSL_CERT_FILE="$work/tls/ca.pem"
  sides=(https http)
fi

bench_results="$work/results"
: >"$bench_results"
: >"$work/steps"

# ours N [ARG...]: the command line of parcel2 --unattended for purchase N
# into $run_dir/save, in $ours_command.
ours() {
  # shellcheck disable=SC2086  # the switches are words
  bench_ours_command "$1" "$key" "$url" ${PARCEL2_BENCH_ARGS:-} "${@:2}"
}

expect_product() {  # side file n
  local got
  got="$(md5sum <"$2" | cut -d' ' -f1)"
  if [ "$got" != "${product_md5[$3]}" ]; then
    echo "run.sh: the product $1 saved has MD5 $got, published ${product_md5[$3]}" >&2
    exit 1
  fi
}

# Dirty pages of one run are written out before the next, so no run pays
# for its predecessor's writes.
settle() {
  rm -rf "$run_dir"
  sync
}

n=0
for size in $sizes; do
  n=$((n + 1))
  echo "Downloading $size bytes in 10 parts, $runs runs each, alternated..."
  for run in $(seq 1 "$runs"); do
    for side in $(if [ $((run % 2)) = 1 ]; then echo ours tools; else echo tools ours; fi); do
      bench_fresh_run_dir
      if [ "$tls" = 1 ] && [ "$side" = tools ]; then
        url="$plain_url" ours "$n"
        bench_measure "$size tools" "${ours_command[@]}"
        if [ "$run" = 1 ]; then expect_product "over http" "$run_dir/save/${product_name[$n]}" "$n"; fi
      elif [ "$side" = ours ]; then
        ours "$n"
        bench_measure "$size ours" "${ours_command[@]}"
        if [ "$run" = 1 ]; then expect_product ours "$run_dir/save/${product_name[$n]}" "$n"; fi
        bench_measure "$size md5sum" md5sum "$run_dir/save/${product_name[$n]}"
      else
        bench_measure "$size tools" "$tools_script" "$url" "$n" "$key" "$run_dir/save"
        if [ "$run" = 1 ]; then expect_product "of the tools" "$run_dir/save/${product_name[$n]}" "$n"; fi
        echo "$size $(grep '^step ' "$work/stderr")" >>"$work/steps"
      fi
      settle
    done
  done
  # Where the time goes: one more run of ours, with the diagnostic log.
  bench_fresh_run_dir
  ours "$n" -L
  bench_measure "$size logged" "${ours_command[@]}"
  iconv -f UTF-16LE -t UTF-8 "$run_dir/cache/QUILLMAR_DownloaderLog/"*.log >"$work/log$n.txt"
  settle
done
bench_stop_host
[ -z "$plain_host_pid" ] || { kill "$plain_host_pid"; wait "$plain_host_pid" 2>/dev/null || true; plain_host_pid=""; }
cp "$bench_results" "$build/e2e-bench-runs.txt"  # every run, for a closer look

echo
echo "Medians of $runs alternated runs (wall and CPU in seconds, peak memory in MiB):"
awk -v sizes="$sizes" -v tls="$tls" -v ours_name="${sides[0]}" -v tools_name="${sides[1]}" "$bench_awk_median"'
  {
    key = $1 " " $2
    for (f = 3; f <= 5; f++) values[key, f] = values[key, f] " " $f
  }
  END {
    n = split(sizes, list, " ")
    printf "\n  %-12s %-8s %8s %8s %10s %10s\n", "size", "side", "wall", "CPU", "peak MiB", "MB/s"
    for (s = 1; s <= n; s++) {
      size = list[s]
      tw = median(size " tools", 3); tc = median(size " tools", 4); tm = median(size " tools", 5) / 1024
      ow = median(size " ours", 3); oc = median(size " ours", 4); om = median(size " ours", 5) / 1024
      peak[s] = om
      printf "  %-12d %-8s %8.2f %8.2f %10.1f %10.0f\n", size, tools_name, tw, tc, tm, (tw > 0 ? size / tw / 1e6 : 0)
      printf "  %-12d %-8s %8.2f %8.2f %10.1f %10.0f\n", size, ours_name, ow, oc, om, (ow > 0 ? size / ow / 1e6 : 0)
      # The goals are those of the 1 GiB job.
      if (tls || size < 1073741824) {
        printf "  %-12d %-8s %7.2fx %7.2fx %+9.1f\n", size, "ratio", (tw > 0 ? ow / tw : 0), (tc > 0 ? oc / tc : 0), om - tm
      } else {
        printf "  %-12d %-8s %7.2fx %7.2fx %+9.1f   (goals: wall at most 0.50x %s, stretch 0.35x %s; CPU at most 0.60x %s; at most +32 MiB %s)\n",
          size, "ratio", (tw > 0 ? ow / tw : 0), (tc > 0 ? oc / tc : 0), om - tm,
          (tw > 0 && ow / tw <= 0.5 ? "met" : "missed"), (tw > 0 && ow / tw <= 0.35 ? "met" : "missed"),
          (tc > 0 && oc / tc <= 0.6 ? "met" : "missed"), (om - tm <= 32 ? "met" : "missed")
        mw = median(size " md5sum", 3)
        printf "  %-12d %-8s %8.2f   ours / one md5sum of the product %.2fx (goal: at most 1.60x: %s)\n", size, "md5sum",
          mw, (mw > 0 ? ow / mw : 0), (mw > 0 && ow / mw <= 1.6 ? "met" : "missed")
      }
    }
    if (n >= 2) {
      spread = peak[n] - peak[1]
      if (spread < 0) spread = -spread
      printf "\nPeak memory of ours: %.1f MiB at %d bytes, %.1f MiB at %d bytes: %s (goal: within 5 MiB)\n",
        peak[1], list[1], peak[n], list[n], (spread <= 5 ? "flat" : "NOT flat")
    }
  }' "$bench_results"

echo
[ "$tls" = 1 ] || echo "Where the time goes, the tools (medians, seconds):"
[ "$tls" = 1 ] || awk -v sizes="$sizes" "$bench_awk_median"'
  {
    for (f = 3; f < NF; f += 2) { values[$1, $f] = values[$1, $f] " " $(f + 1); if (!seen[$f]++) names[++count] = $f }
  }
  END {
    n = split(sizes, list, " ")
    for (s = 1; s <= n; s++) {
      line = sprintf("  %-12d", list[s])
      for (i = 1; i <= count; i++) line = line sprintf(" %s %.2f", names[i], median(list[s], names[i]))
      print line
    }
  }' "$work/steps"

echo
echo "Where the time goes, ours (one run with the diagnostic log, seconds):"
n=0
for size in $sizes; do
  n=$((n + 1))
  wall="$(awk -v size="$size" '$1 == size && $2 == "logged" { print $3 }' "$bench_results")"
  awk -v size="$size" -v wall="$wall" -v product="/${product_name[$n]}" '
    function t(line,    c) { split(substr(line, 13, 12), c, ":"); return c[1] * 3600 + c[2] * 60 + c[3] }
    { now = t($0) }
    /\* Start downloader/ { start = now }
    /OpenRequest:/ && !list_request { list_request = now }
    /Download list file version/ { list_done = now }
    /Start DownloadExecuter::Execute/ { exec_start = now; in_download = 1 }
    in_download && /OpenRequest:/ { request = now }
    in_download && /Received Status-Code/ { requesting += now - request }
    in_download && /URL Downloaded:/ { downloaded = now }
    in_download && /Identical digest:/ { hashing += now - downloaded }
    /Finished DownloadExecuter::Execute/ { exec_end = now; in_download = 0 }
    /Start file-joint/ { join_start = now }
    /Finished file-joint/ { join_end = now }
    join_end && !product_done && index($0, "Identical digest:") && index($0, product) { product_done = now }
    /\* Exit downloader/ { finish = now }
    END {
      transfer = exec_end - exec_start - hashing - requesting
      printf "  %-12d wall %.2f = outside the log %.2f + start-up %.2f + list %.2f + pages %.2f + requests %.2f + transfer %.2f + part MD5s %.2f + before joining %.2f + join %.2f + product MD5 %.2f + ending %.2f\n",
        size, wall, wall - (finish - start), list_request - start, list_done - list_request, exec_start - list_done,
        requesting, transfer, hashing, join_start - exec_end, join_end - join_start, product_done - join_end, finish - product_done
    }' "$work/log$n.txt"
done
