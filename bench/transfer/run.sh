#!/usr/bin/env bash
# Transfer benchmark, whole processes side by side: DownloadToFile (one
# parcel2_transfer_fetch process per fetch) against the curl command line,
# both POSTing the same query as body and writing the part into a file.
# First against nginx on a free loopback port (a server that is not the
# bottleneck), then against the host stand-in; last the serving rate of the
# host stand-in against nginx's, curl writing into /dev/null. Runs are
# alternated; the medians of wall time, CPU time (user + sys) and peak
# memory are printed with the ratios. Every file, nginx and the host are
# gone at the end.
#   bench/transfer/run.sh [--tls] [RUNS]  (default 5)
#   --tls                 both servers speak HTTPS with a throwaway authority
#                         (scripts/make-tls-certificates.sh); curl gets it with
#                         --cacert, DownloadToFile through SSL_CERT_FILE
#   PARCEL2_BENCH_SIZES   body sizes in bytes (default "10000000 1073741824")
#   PARCEL2_BENCH_BUILD   build folder (default build-bench)
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=bench/support/bench.sh
. bench/support/bench.sh

tls=0
if [ "${1:-}" = --tls ]; then
  tls=1
  shift
fi
runs="${1:-5}"
sizes="${PARCEL2_BENCH_SIZES:-10000000 1073741824}"
build="${PARCEL2_BENCH_BUILD:-build-bench}"

bench_require curl /usr/bin/time

bench_build "$build" parcel2_transfer_fetch parcel2-host
fetch="$build/bench/transfer/parcel2_transfer_fetch"
host="$build/host/parcel2-host"

work="$(mktemp -d "${TMPDIR:-/tmp}/parcel2-transfer-bench.XXXXXX")"
bench_work="$work"
stop_servers() {
  bench_stop_nginx
  bench_stop_host
}
trap 'stop_servers; rm -rf "$work"' EXIT

scheme=http
nginx_tls=""
host_tls=()
curl_tls=()
if [ "$tls" = 1 ]; then
  scripts/make-tls-certificates.sh "$work/tls"
  scheme=https
  nginx_tls="ssl; ssl_certificate $work/tls/host.pem; ssl_certificate_key $work/tls/host.key"
  host_tls=(--tls-cert "$work/tls/host.pem" --tls-key "$work/tls/host.key")
  curl_tls=(--cacert "$work/tls/ca.pem")
  # Only the throwaway authority, whatever the machine's own settings say.
  unset CURL_CA_BUNDLE SSL_CERT_DIR
  export SSL_CERT_FILE="$work/tls/ca.pem"
fi

# One product a size, published in one part, each with its own purchase.
catalog="$work/catalog"
declare -A part_name
n=0
for size in $sizes; do
  n=$((n + 1))
  echo "Publishing a part of $size random bytes..."
  head -c "$size" /dev/urandom >"$work/product.bin"
  "$host" publish --catalog "$catalog" --product "$work/product.bin" --name "Bench$n" --number "$n" \
    --id "size$n" --file-name "bench$n.bin" --parts 1 --purchase "$n:bench" >/dev/null
  rm -f "$work/product.bin"
  part_name[$n]="bench$n.bin.001"
  if [ ! -f "$catalog/size$n/${part_name[$n]}" ]; then
    echo "run.sh: the host did not publish $catalog/size$n/${part_name[$n]}" >&2
    exit 1
  fi
  cat "$catalog/size$n/${part_name[$n]}" >/dev/null  # both servers serve from the page cache
done

# nginx with a configuration of its own: one worker, sendfile, the catalog
# as its root, and POST allowed on a static file so that both clients send
# the program's request.
# shellcheck disable=SC2016  # $uri is nginx's
bench_start_nginx "$work/nginx" "$catalog" 1 "$nginx_tls" 'error_page 405 =200 $uri;'
nginx_port="$bench_nginx_port"

bench_start_host "$host" "$catalog" "$work/host.out" "${host_tls[@]}"
host_port="$bench_host_port"

results="$work/results"
bench_results="$results"
: >"$results"
# measure KEY EXPECTED_FILE_OR_- SIZE COMMAND...: one timed process, its
# figures appended to the results as "KEY wall cpu peak_KiB".
measure() {
  local key="$1" file="$2" size="$3"
  shift 3
  bench_measure "$key" "$@"
  if [ "$file" != - ]; then
    local got
    got="$(stat -c %s "$file")"
    if [ "$got" != "$size" ]; then
      echo "run.sh: $key wrote $got bytes, not $size" >&2
      exit 1
    fi
  fi
}

# What a process of ours costs before any transfer: Qt and libcurl loaded,
# an address refused.
for run in $(seq 1 "$runs"); do
  measure "0 start ours" - 0 "$fetch" "no address" "$work/none" -1
done

out="$work/fetched.bin"
n=0
for size in $sizes; do
  n=$((n + 1))
  part="${part_name[$n]}"
  query="NO=$n&KEY=bench&REQID=$part"
  for server in nginx host; do
    if [ "$server" = nginx ]; then
      url="$scheme://127.0.0.1:$nginx_port/size$n/$part"
    else
      url="$bench_host_url/http/cgi-bin/getbody_u8.pl"
    fi
    echo "Fetching $size bytes from $server, $runs runs each, alternated..."
    for run in $(seq 1 "$runs"); do
      for client in $(if [ $((run % 2)) = 1 ]; then echo curl ours; else echo ours curl; fi); do
        if [ "$client" = curl ]; then
          measure "$size $server curl" "$out" "$size" \
            curl -s -S -f --noproxy '*' "${curl_tls[@]}" -o "$out" --data-binary "$query" "$url"
        else
          measure "$size $server ours" "$out" "$size" "$fetch" "$url?$query" "$out" "$size"
          if [ "$run" = 1 ] && ! cmp -s "$out" "$catalog/size$n/$part"; then
            echo "run.sh: DownloadToFile fetched other bytes than $server served" >&2
            exit 1
          fi
        fi
        rm -f "$out"
      done
    done
  done
  echo "Serving $size bytes to curl into /dev/null, host and nginx alternated..."
  for run in $(seq 1 "$runs"); do
    for server in $(if [ $((run % 2)) = 1 ]; then echo nginx host; else echo host nginx; fi); do
      if [ "$server" = nginx ]; then
        url="$scheme://127.0.0.1:$nginx_port/size$n/$part"
      else
        url="$bench_host_url/http/cgi-bin/getbody_u8.pl"
      fi
      measure "$size $server serve" - "$size" curl -s -S -f --noproxy '*' "${curl_tls[@]}" -o /dev/null --data-binary "$query" "$url"
    done
  done
done
stop_servers
cp "$results" "$build/transfer-bench-runs.txt"  # every run, for a closer look

echo
echo "Medians of $runs alternated runs over $scheme (wall and CPU in seconds, peak memory in MiB):"
awk -v sizes="$sizes" "$bench_awk_median"'
  {
    key = $1 " " $2 " " $3
    for (f = 4; f <= 6; f++) values[key, f] = values[key, f] " " $f
  }
  END {
    printf "\nDownloadToFile process start-up alone (an address refused): wall %.2f, CPU %.2f, peak %.1f MiB\n",
      median("0 start ours", 4), median("0 start ours", 5), median("0 start ours", 6) / 1024
    n = split(sizes, list, " ")
    for (s = 1; s <= n; s++) {
      size = list[s]
      for (k = 1; k <= 2; k++) {
        server = k == 1 ? "nginx" : "host stand-in"
        name = k == 1 ? "nginx" : "host"
        cw = median(size " " name " curl", 4); cc = median(size " " name " curl", 5); cm = median(size " " name " curl", 6) / 1024
        ow = median(size " " name " ours", 4); oc = median(size " " name " ours", 5); om = median(size " " name " ours", 6) / 1024
        printf "\n%d bytes from %s\n", size, server
        printf "  %-16s %8s %8s %10s %10s\n", "", "wall", "CPU", "peak MiB", "MB/s"
        printf "  %-16s %8.2f %8.2f %10.1f %10.0f\n", "curl", cw, cc, cm, (cw > 0 ? size / cw / 1e6 : 0)
        printf "  %-16s %8.2f %8.2f %10.1f %10.0f\n", "DownloadToFile", ow, oc, om, (ow > 0 ? size / ow / 1e6 : 0)
        printf "  %-16s %7.2fx %7.2fx %+9.1f\n", "ours vs curl", (cw > 0 ? ow / cw : 0), (cc > 0 ? oc / cc : 0), om - cm
      }
      nw = median(size " nginx serve", 4); hw = median(size " host serve", 4)
      printf "\n%d bytes served to curl -o /dev/null: nginx %.0f MB/s (%.2f s), host stand-in %.0f MB/s (%.2f s), host/nginx rate %.2f\n",
        size, (nw > 0 ? size / nw / 1e6 : 0), nw, (hw > 0 ? size / hw / 1e6 : 0), hw, (hw > 0 ? nw / hw : 0)
    }
  }' "$results"
