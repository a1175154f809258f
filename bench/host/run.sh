#!/usr/bin/env bash
# Serving load, on loopback: C concurrent part downloads (C = 100, then
# 500) through the front of deploy/local.sh (HAProxy, two nginx nodes, each
# with parcel2-host checking the purchase), against one plain nginx serving
# the same part files by GET, and against parcel2-host alone. Each download
# is one part of 8 MiB, as the demo's (16 different parts, from the page
# cache) into /dev/null by the curl command line (-Z, at most 250 transfers
# a process), with the request the program sends: a POST of the purchase
# to the body script (a GET of the file from the plain nginx). Rounds alternate the servers;
# printed are the medians over the rounds of the throughput (the bytes of
# every download over the wall time of the whole batch), of its ratio to
# the plain nginx's in the same round and of the 99th percentile of the
# time to the first byte, and the failed downloads (curl's error, another
# status than 200, or another size) summed over all rounds; last the CPU
# time (user + system, medians) the servers' processes and curl took for a
# GiB: on a busy machine the throughput follows the share of the cores a
# way gets, the CPU time a GiB costs does not.
#   bench/host/run.sh [ROUNDS]   (default 5)
#   PARCEL2_BENCH_CONCURRENCY    (default "100 500")
#   PARCEL2_BENCH_BUILD          build folder (default build-bench)
# Each transfer is cut after 120 s; everything started is stopped at the end.
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=bench/support/bench.sh
. bench/support/bench.sh

rounds="${1:-5}"
concurrency="${PARCEL2_BENCH_CONCURRENCY:-100 500}"
build="${PARCEL2_BENCH_BUILD:-build-bench}"
part_size=$((8 * 1024 * 1024))
parts=16
per_process=250

bench_require curl /usr/bin/time

bench_build "$build" parcel2-host
host="$(pwd)/$build/host/parcel2-host"

work="$(mktemp -d "${TMPDIR:-/tmp}/parcel2-host-bench.XXXXXX")"
bench_work="$work"
stop_servers() {
  deploy/local.sh stop "$work/front" >/dev/null 2>&1 || true
  bench_stop_nginx
  bench_stop_host
}
trap 'stop_servers; [ -n "${PARCEL2_BENCH_KEEP:-}" ] || rm -rf "$work"' EXIT
ulimit -n 65536 2>/dev/null || ulimit -n "$(ulimit -Hn)"

echo "Publishing $parts parts of $part_size random bytes..."
head -c $((parts * part_size)) /dev/urandom >"$work/product.bin"
"$host" publish --catalog "$work/catalog" --product "$work/product.bin" --name Bench --number 1 --id bench \
  --file-name bench.bin --part-size "$part_size" --purchase "1:bench" >/dev/null
rm -f "$work/product.bin"
cat "$work/catalog/bench"/bench.bin.* >/dev/null  # every server reads from the page cache

# The plain nginx, as a machine's own would run: a worker a core, each with
# its own listening socket so that both take connections.
bench_start_nginx "$work/nginx" "$work/catalog" auto "backlog=4096 reuseport"
nginx_port="$bench_nginx_port"

front_url="$(PATH="$(dirname "$host"):$PATH" deploy/local.sh start "$work/front" "$work/catalog" 2 | tail -n 1)"
bench_start_host "$host" "$work/catalog" "$work/host.out"

# The processes serving each way: the pids whose CPU time a batch is charged.
server_pids() {
  case "$1" in
    nginx) echo "$bench_nginx_pid" ;;
    host) echo "$bench_host_pid" ;;
    front) cat "$work/front/front/haproxy.pid" "$work"/front/node*/nginx.pid "$work"/front/node*/host.pid ;;
  esac
}
# CPU seconds (user + system) the processes and their children have used.
cpu_seconds() {
  local pid ticks=0
  for pid in $(for p in "$@"; do echo "$p"; pgrep -P "$p"; done); do
    ticks=$((ticks + $(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || echo 0)))
  done
  awk -v t="$ticks" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f", t / hz }'
}

# batch SERVER C: C downloads at once; appends "SERVER C wall_s bytes errors
# p99_ttfb_ms round server_cpu_s client_cpu_s" to the results.
batch() {
  local server="$1" count="$2" i p pids=() started ended
  rm -f "$work"/load.*
  for i in $(seq 0 $((count - 1))); do
    local part
    part="$(printf 'bench.bin.%03d' $((i % parts + 1)))"
    {
      [ $((i % per_process)) = 0 ] || echo "next"
      if [ "$server" = nginx ]; then
        echo "url = \"http://127.0.0.1:$nginx_port/bench/$part\""
      else
        [ "$server" = front ] && echo "url = \"$front_url/http/cgi-bin/getbody_u8.pl\""
        [ "$server" = host ] && echo "url = \"$bench_host_url/http/cgi-bin/getbody_u8.pl\""
        echo "data-binary = \"NO=1&KEY=bench&REQID=$part\""
      fi
      echo 'output = "/dev/null"'
      # shellcheck disable=SC2028  # the \n is curl's, not echo's
      echo 'write-out = "%{exitcode} %{http_code} %{size_download} %{time_starttransfer}\n"'
    } >>"$work/load.$((i / per_process))"
  done
  local servers cpu_before cpu_after
  servers="$(server_pids "$server")"
  # shellcheck disable=SC2086  # a list of pids
  cpu_before="$(cpu_seconds $servers)"
  started="$(date +%s.%N)"
  for p in "$work"/load.*; do
    /usr/bin/time -f "%U %S" -o "$p.time" \
      curl -s -Z --parallel-immediate --parallel-max "$per_process" --noproxy '*' --max-time 120 -K "$p" >"$p.out" 2>/dev/null &
    pids+=($!)
  done
  for p in "${pids[@]}"; do wait "$p" || true; done
  ended="$(date +%s.%N)"
  # shellcheck disable=SC2086
  cpu_after="$(cpu_seconds $servers)"
  local done_count p99 wall
  done_count="$(cat "$work"/load.*.out | wc -l)"
  p99="$(cat "$work"/load.*.out | awk '{ print $4 * 1000 }' | sort -n |
    sed -n "$(( (done_count * 99 + 99) / 100 ))p")"
  wall="$(awk -v a="$started" -v b="$ended" 'BEGIN { printf "%.3f", b - a }')"
  cat "$work"/load.*.out | awk -v server="$server" -v count="$count" -v size="$part_size" -v wall="$wall" -v p99="$p99" -v round="$round" \
    -v server_cpu="$(awk -v a="$cpu_before" -v b="$cpu_after" 'BEGIN { print b - a }')" \
    -v client_cpu="$(cat "$work"/load.*.time | awk '{ s += $1 + $2 } END { print s }')" '
    $1 == 0 && $2 == 200 && $3 == size { bytes += $3; next }
    { errors++ }
    END { printf "%s %d %s %d %d %s %d %s %s\n", server, count, wall, bytes, errors + count - NR, p99 + 0, round,
                 server_cpu, client_cpu }' >>"$work/results"
}

: >"$work/results"
for c in $concurrency; do
  echo "$c concurrent downloads of $part_size bytes, $rounds rounds, servers alternated..."
  for round in $(seq 1 "$rounds"); do
    order="nginx front host"
    [ $((round % 2)) = 0 ] && order="host front nginx"
    for server in $order; do batch "$server" "$c"; done
  done
done

echo
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
# The ratio is the median of each round's ratio: the servers of a round
# ran back to back, under the same load from elsewhere.
awk "$bench_awk_median"'
  { key = $2 " " $1
    rate[key, $7] = $4 / $3 / 1048576
    values[key, "rate"] = values[key, "rate"] " " rate[key, $7]
    values[key, "ttfb"] = values[key, "ttfb"] " " $6
    gib = $4 / 1073741824
    values[key, "scpu"] = values[key, "scpu"] " " (gib > 0 ? $8 / gib : 0)
    values[key, "ccpu"] = values[key, "ccpu"] " " (gib > 0 ? $9 / gib : 0)
    errors[key] += $5; counts[$2] = 1; rounds[$7] = 1 }
  END {
    printf "%-12s %-7s %10s %9s %13s %7s %16s %16s\n", "concurrent", "server", "MiB/s", "x nginx", "p99 TTFB ms", "errors",
           "server CPU s/GiB", "client CPU s/GiB"
    split("nginx front host", servers, " ")
    for (c in counts) {
      for (s = 1; s <= 3; s++) {
        key = c " " servers[s]
        for (r in rounds) {
          base = rate[c " nginx", r]
          values[key, "ratio"] = values[key, "ratio"] " " (base > 0 ? rate[key, r] / base : 0)
        }
        printf "%-12s %-7s %10.1f %9.2f %13.1f %7d %16.2f %16.2f\n", c, servers[s], median(key, "rate"),
               median(key, "ratio"), median(key, "ttfb"), errors[key], median(key, "scpu"), median(key, "ccpu")
      }
    }
  }' "$work/results" | sort -n -s -k1,1
