# shellcheck shell=bash disable=SC2034,SC2154  # globals shared with the sourcing script
# Shell pieces the whole-process benchmarks share; sourced, never run.
#   bench_require TOOL...               stops with an install hint when one is missing
#   bench_build BUILD TARGET...         an optimised build of the targets in BUILD
#   bench_parcel2_setup BUILD NAME      parcel2 and parcel2-host built in BUILD
#                                       (sets parcel2 and host) and a fresh
#                                       temporary folder (sets work, bench_work
#                                       and run_dir)
#   bench_fresh_run_dir                 an empty home, cache and runtime folder
#                                       in $run_dir for the next process
#   bench_ours_command NUMBER KEY URL [ARG...]
#                                       parcel2 --unattended for the purchase
#                                       into $run_dir/save, in ours_command
#   probe_free_port                     a loopback port nobody listens on
#   wait_for_port PORT PID              until PORT answers, while PID lives
#   bench_start_host HOST CATALOG OUT [ARG...]
#                                       parcel2-host serving CATALOG on a free
#                                       port (ARGs to serve, --tls-cert...):
#                                       sets bench_host_pid, bench_host_url
#                                       and bench_host_port
#   bench_stop_host                     stops it by its pid
#   bench_start_nginx DIR ROOT WORKERS [LISTEN_PARAMETERS [SERVER_LINES [HTTP_LINES]]]
#                                       nginx serving ROOT on a free port:
#                                       sets bench_nginx_pid, bench_nginx_port
#   bench_stop_nginx                    stops it by its pid
#   bench_measure KEY COMMAND...        one timed process; appends
#                                       "KEY wall cpu peak_KiB" to $bench_results
#   bench_awk_median                    awk text defining median(key, field) over
#                                       values[key, field] (" v1 v2 ...")
# bench_measure keeps /usr/bin/time's figures in $bench_work, the caller's
# temporary folder. The peak is the largest resident set of the process and
# of every child it waited for, so a script is charged its largest tool.

bench_require() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      local package="${tool##*/}"
      [ "$package" = aria2c ] && package=aria2  # Debian's package is named after the project
      echo "${0##*/}: $tool is missing; install it with: apt-get install $package" >&2
      exit 1
    fi
  done
}

# Every benchmark builds into the same Release folder, with the benchmark
# targets on, so one does not reconfigure the folder under another.
bench_build() {
  local build="$1"
  shift
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPARCEL2_BENCHMARKS=ON -DPARCEL2_TESTS=OFF >/dev/null
  cmake --build "$build" -j2 --target "$@"
}

bench_parcel2_setup() {  # build name
  bench_build "$1" parcel2 parcel2-host
  parcel2="$PWD/$1/src/parcel2"
  host="$PWD/$1/host/parcel2-host"
  work="$(mktemp -d "${TMPDIR:-/tmp}/parcel2-$2-bench.XXXXXX")"
  bench_work="$work"
  run_dir="$work/run"
}

# No list, cache or setting of an earlier process is found by the next.
bench_fresh_run_dir() {
  rm -rf "$run_dir"
  mkdir -p "$run_dir/home" "$run_dir/cache" "$run_dir/runtime"
  chmod 700 "$run_dir/runtime"
}

bench_ours_command() {  # number key url [argument...]
  local number="$1" key="$2" url="$3"
  shift 3
  ours_command=(env -u TMPDIR -u DISPLAY -u WAYLAND_DISPLAY HOME="$run_dir/home" XDG_CACHE_HOME="$run_dir/cache"
    XDG_RUNTIME_DIR="$run_dir/runtime" QT_QPA_PLATFORM=offscreen
    "$parcel2" --unattended -P "$number" -K "$key" -H "$url" --folder "$run_dir/save" "$@")
}

# probe_free_port and wait_for_port, shared with deploy/local.sh.
# shellcheck source=deploy/ports.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../deploy/ports.sh"

# bench_start_nginx DIR ROOT WORKERS [LISTEN_PARAMETERS [SERVER_LINES [HTTP_LINES]]]:
# nginx with a configuration of its own under DIR (as the current user,
# nothing outside DIR), serving ROOT with sendfile on a free loopback port;
# sets bench_nginx_pid and bench_nginx_port. bench_stop_nginx stops it.
bench_nginx_pid=""
bench_start_nginx() {
  local dir="$1" root="$2" workers="$3" listen="${4:-}" server_lines="${5:-}" http_lines="${6:-}" user="" nginx_bin
  nginx_bin="$(command -v nginx || echo /usr/sbin/nginx)"
  if [ ! -x "$nginx_bin" ]; then
    echo "${0##*/}: nginx is missing; install it with: apt-get install nginx-light" >&2
    exit 1
  fi
  mkdir -p "$dir"
  if [ "$(id -u)" = 0 ]; then user="user $(id -un) $(id -gn);"; fi
  for _ in 1 2 3 4 5; do
    bench_nginx_port="$(probe_free_port)"
    cat >"$dir/nginx.conf" <<CONF
$user
worker_processes $workers;
daemon off;
pid $dir/nginx.pid;
error_log $dir/error.log;
events { worker_connections 4096; }
http {
  access_log off;
  sendfile on;
  tcp_nopush on;
  default_type application/octet-stream;
  client_body_temp_path $dir/body;
  proxy_temp_path $dir/proxy;
  fastcgi_temp_path $dir/fastcgi;
  uwsgi_temp_path $dir/uwsgi;
  scgi_temp_path $dir/scgi;
  $http_lines
  server {
    listen 127.0.0.1:$bench_nginx_port $listen;
    root $root;
    $server_lines
  }
}
CONF
    "$nginx_bin" -p "$dir" -c "$dir/nginx.conf" -e "$dir/error.log" 2>>"$dir/startup.log" &
    bench_nginx_pid=$!
    if wait_for_port "$bench_nginx_port" "$bench_nginx_pid"; then return 0; fi
    bench_stop_nginx
  done
  echo "${0##*/}: nginx did not start:" >&2
  cat "$dir/startup.log" "$dir/error.log" >&2 2>/dev/null || true
  exit 1
}

bench_stop_nginx() {
  if [ -n "$bench_nginx_pid" ]; then
    kill -QUIT "$bench_nginx_pid" 2>/dev/null || true
    wait "$bench_nginx_pid" 2>/dev/null || true
    bench_nginx_pid=""
  fi
}

bench_host_pid=""
bench_host_url=""
bench_host_port=""
bench_start_host() {  # host catalog output [serve arguments...]
  "$1" serve "$2" --port 0 --quiet "${@:4}" >"$3" 2>&1 &
  bench_host_pid=$!
  bench_host_url=""
  for _ in $(seq 1 100); do
    bench_host_url="$(sed -n 's/^Serving .* on \(https\{0,1\}:\/\/127\.0\.0\.1:[0-9]*\).*/\1/p' "$3")"
    if [ -n "$bench_host_url" ] || ! kill -0 "$bench_host_pid" 2>/dev/null; then break; fi
    sleep 0.1
  done
  if [ -z "$bench_host_url" ]; then
    echo "${0##*/}: the host stand-in did not start:" >&2
    cat "$3" >&2
    exit 1
  fi
  bench_host_port="${bench_host_url##*:}"
}

bench_stop_host() {
  if [ -n "$bench_host_pid" ]; then
    kill -TERM "$bench_host_pid" 2>/dev/null || true
    wait "$bench_host_pid" 2>/dev/null || true
    bench_host_pid=""
  fi
}

bench_measure() {  # key command...
  local key="$1"
  shift
  if ! /usr/bin/time -f "%e %U %S %M" -o "$bench_work/time" "$@" >"$bench_work/stdout" 2>"$bench_work/stderr"; then
    echo "${0##*/}: $key failed:" >&2
    cat "$bench_work/stdout" "$bench_work/stderr" "$bench_work/time" >&2
    exit 1
  fi
  local wall user sys peak
  read -r wall user sys peak <"$bench_work/time"
  echo "$key $wall $(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }') $peak" >>"$bench_results"
}

bench_awk_median='
  function median(key, field,    count, i, j, t, v) {
    count = split(values[key, field], v, " ")
    for (i = 2; i <= count; i++)
      for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return count % 2 ? v[(count + 1) / 2] : (v[count / 2] + v[count / 2 + 1]) / 2
  }'
