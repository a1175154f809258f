#!/usr/bin/env bash
# Parts in parallel against a host that caps each connection, whole
# processes side by side: nginx in front of parcel2-host (the purchase check,
# then X-Accel-Redirect to the part file) with limit_rate on every request,
# as many hosts and mirrors do. The sides, alternated:
#   ours       parcel2 --unattended with its default connections
#   ours-1     parcel2 --unattended --connections 1 (one part at a time)
#   ours-8     parcel2 --unattended --connections 8, as many as aria2c's
#   curl       bench/e2e/standard-tools.sh: the list, a curl POST a part in
#              turn, md5sum, cat, md5sum
#   aria2c     the same script with the parts fetched by one aria2c, eight
#              at a time (-j 8 -x 8 -s 8), by GETs of the same files from the
#              same nginx under the same cap
# Printed are the medians of wall time, CPU time and peak memory with the
# ratios to curl and aria2c, and the TCP connections ours opened to nginx
# for the list and the parts (from nginx's own connection serial numbers).
#   bench/parallel/run.sh [RUNS]    (default 3)
#   PARCEL2_BENCH_CAP     nginx limit_rate per request (default 1m: 1 MiB/s)
#   PARCEL2_BENCH_JOBS    "BYTES:PARTS ..." (default "8388608:8")
#   PARCEL2_BENCH_BUILD   build folder (default build-bench)
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=bench/support/bench.sh
. bench/support/bench.sh

runs="${1:-3}"
cap="${PARCEL2_BENCH_CAP:-1m}"
jobs="${PARCEL2_BENCH_JOBS:-8388608:8}"
build="${PARCEL2_BENCH_BUILD:-build-bench}"
tools_script="$PWD/bench/e2e/standard-tools.sh"
key="PARALLEL-BENCH"

bench_require curl aria2c md5sum /usr/bin/time

bench_parcel2_setup "$build" parallel
trap 'bench_stop_nginx; bench_stop_host; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

catalog="$work/catalog"
declare -A product_md5 product_name
n=0
for job in $jobs; do
  n=$((n + 1))
  size="${job%%:*}"
  parts="${job##*:}"
  echo "Publishing a product of $size random bytes in $parts parts..."
  head -c "$size" /dev/urandom >"$work/product.bin"
  product_md5[$n]="$(md5sum <"$work/product.bin" | cut -d' ' -f1)"
  product_name[$n]="parallel$n.bin"
  "$host" publish --catalog "$catalog" --product "$work/product.bin" --name "Parallel$n" --en-name "Parallel$n" \
    --number "$n" --id "job$n" --file-name "${product_name[$n]}" --parts "$parts" --purchase "$n:$key" >/dev/null
  rm -f "$work/product.bin"
  cat "$catalog/job$n/"*.0* >/dev/null
done

# The node as deploy/nginx/ sets it up, with the cap on every request and
# the part files also served as they are, for aria2c. sendfile's chunks are
# kept small, or a part of 1 MiB would leave in one go before the cap bites.
bench_start_host "$host" "$catalog" "$work/host.out" --accel-redirect /parcel2-parts/
sed "s|http://parcel2_host|http://127.0.0.1:$bench_host_port|" deploy/nginx/parcel2-locations.conf >"$work/locations.conf"
bench_start_nginx "$work/nginx" "$catalog" 1 "" \
  "set \$parcel2_catalog $catalog; limit_rate $cap; sendfile_max_chunk 64k; access_log $work/access.log serials;
   include $work/locations.conf; location /files/ { alias $catalog/; }" \
  'log_format serials "$connection $request_uri";'
url="http://127.0.0.1:$bench_nginx_port"

bench_results="$work/results"
: >"$bench_results"
: >"$work/connections"
ours() { bench_ours_command "$1" "$key" "$url" "${@:2}"; }
expect_product() {  # side n
  local got
  got="$(md5sum <"$run_dir/save/${product_name[$2]}" | cut -d' ' -f1)"
  if [ "$got" != "${product_md5[$2]}" ]; then
    echo "run.sh: the product $1 saved has MD5 $got, published ${product_md5[$2]}" >&2
    exit 1
  fi
}
sides=(ours ours-1 ours-8 curl aria2c)
n=0
for job in $jobs; do
  n=$((n + 1))
  echo "Downloading ${job%%:*} bytes in ${job##*:} parts at $cap/s a connection, $runs runs each, alternated..."
  for run in $(seq 1 "$runs"); do
    for i in 0 1 2 3 4; do
      side="${sides[$(((i + run) % 5))]}"
      bench_fresh_run_dir
      : >"$work/access.log"
      case "$side" in
        ours) ours "$n" ;;
        ours-1) ours "$n" --connections 1 ;;
        ours-8) ours "$n" --connections 8 ;;
        curl) ours_command=("$tools_script" "$url" "$n" "$key" "$run_dir/save") ;;
        aria2c) ours_command=("$tools_script" "$url" "$n" "$key" "$run_dir/save" "$url/files/job$n") ;;
      esac
      bench_measure "$n $side" "${ours_command[@]}"
      expect_product "$side" "$n"
      [[ "$side" == ours* ]] && echo "$n $side $(awk '{ print $1 }' "$work/access.log" | sort -u | wc -l)" >>"$work/connections"
      rm -rf "$run_dir"
    done
  done
done

echo
echo "Medians of $runs alternated runs (wall and CPU in seconds, peak memory in MiB; connections: most in a run):"
awk -v jobs="$jobs" -v cap="$cap" "$bench_awk_median"'
  FILENAME ~ /connections$/ { if ($3 > most[$1 " " $2]) most[$1 " " $2] = $3; next }
  { key = $1 " " $2; for (f = 3; f <= 5; f++) values[key, f] = values[key, f] " " $f }
  END {
    n = split(jobs, list, " ")
    split("ours ours-1 ours-8 curl aria2c", sides, " ")
    for (j = 1; j <= n; j++) {
      printf "\n  %s bytes:parts at %s/s a connection\n", list[j], cap
      printf "  %-8s %8s %8s %10s %12s %12s %12s\n", "side", "wall", "CPU", "peak MiB", "wall/curl", "wall/aria2c", "connections"
      cw = median(j " curl", 3); aw = median(j " aria2c", 3)
      for (s = 1; s <= 5; s++) {
        k = j " " sides[s]; w = median(k, 3)
        printf "  %-8s %8.2f %8.2f %10.1f %11.2fx %11.2fx %12s\n", sides[s], w, median(k, 4), median(k, 5) / 1024,
          (cw > 0 ? w / cw : 0), (aw > 0 ? w / aw : 0), (k in most ? most[k] : "-")
      }
    }
  }' "$work/connections" "$bench_results"
