#!/usr/bin/env bash
# The download service laid out as on real machines, on this machine's
# loopback: HAProxy in front (health checks; a refused connection is tried
# on another node) of NODES nginx nodes, each with its own parcel2-host that
# checks the purchase and hands the part back to nginx by X-Accel-Redirect.
# Every server runs as the current user on a free loopback port, with its
# configuration, pid, temporary and log files under DIR:
#   DIR/front/haproxy.cfg haproxy.log haproxy.pid
#   DIR/node<N>/nginx.conf access.log (combined) error.log nginx.pid
#   DIR/node<N>/host.log host.pid
#
#   deploy/local.sh start DIR CATALOG [NODES] [-- SERVE_OPTION...]
#       NODES defaults to 2; SERVE_OPTIONs go to every node's
#       `parcel2-host serve` (--fault, --throttle...); prints the front's
#       address (http://127.0.0.1:PORT) as its last line
#   deploy/local.sh stop-node DIR N     stops node N's nginx and parcel2-host
#   deploy/local.sh stop DIR            stops everything started in DIR
# parcel2-host is the one on PATH, else build/host/parcel2-host.
set -euo pipefail
deploy="$(cd "$(dirname "$0")" && pwd)"
PARTS_PREFIX=/parcel2-parts/

die() {
  echo "local.sh: $*" >&2
  exit 1
}

find_program() {  # NAME: on PATH or in /usr/sbin
  command -v "$1" 2>/dev/null || { [ -x "/usr/sbin/$1" ] && echo "/usr/sbin/$1"; } || return 1
}

# shellcheck source=deploy/ports.sh
. "$deploy/ports.sh"

# stop_pid FILE NAME: stops the process whose pid FILE holds, if it is still
# NAME, and waits until it is gone.
stop_pid() {
  local file="$1" name="$2" pid
  [ -f "$file" ] || return 0
  pid="$(cat "$file")"
  rm -f "$file"
  if [ -n "$pid" ] && tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | grep -q "$name"; then
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 1 100); do
      kill -0 "$pid" 2>/dev/null || return 0
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
  fi
}

stop_node() {  # DIR N
  stop_pid "$1/node$2/nginx.pid" nginx
  stop_pid "$1/node$2/host.pid" parcel2-host
}

stop_all() {  # DIR
  local node
  stop_pid "$1/front/haproxy.pid" haproxy
  for node in "$1"/node*; do
    [ -d "$node" ] && stop_node "$1" "${node##*/node}"
  done
  return 0
}

# start_host DIR N CATALOG SERVE_OPTION...: sets host_port.
start_host() {
  local dir="$1/node$2" n="$2" catalog="$3"
  shift 3
  # The log is there before the host runs, for the address it prints.
  : >"$dir/host.log"
  "$host" serve "$catalog" --bind 127.0.0.1 --port 0 --accel-redirect "$PARTS_PREFIX" "$@" \
    >>"$dir/host.log" 2>&1 </dev/null &
  echo $! >"$dir/host.pid"
  for _ in $(seq 1 100); do
    host_port="$(sed -n 's|^Serving .* on http://127\.0\.0\.1:\([0-9]*\).*|\1|p' "$dir/host.log")"
    [ -n "$host_port" ] && return 0
    kill -0 "$(cat "$dir/host.pid")" 2>/dev/null || break
    sleep 0.1
  done
  cat "$dir/host.log" >&2
  die "parcel2-host of node $n did not start"
}

write_node_config() {  # DIR N CATALOG HOST_PORT PORT
  local dir="$1/node$2"
  local user=""
  # nginx started by root would hand its workers to nobody, who may not read DIR.
  [ "$(id -u)" = 0 ] && user="user $(id -un) $(id -gn);"
  cat >"$dir/nginx.conf" <<CONF
$user
worker_processes 1;
daemon off;
pid $dir/nginx.pid;
error_log $dir/error.log;
events { worker_connections 4096; }
http {
  access_log $dir/access.log combined;
  client_body_temp_path $dir/tmp/body;
  proxy_temp_path $dir/tmp/proxy;
  fastcgi_temp_path $dir/tmp/fastcgi;
  uwsgi_temp_path $dir/tmp/uwsgi;
  scgi_temp_path $dir/tmp/scgi;
  upstream parcel2_host { server 127.0.0.1:$4; }
  server {
    listen 127.0.0.1:$5;
    set \$parcel2_catalog $3;
    include $deploy/nginx/parcel2-locations.conf;
  }
}
CONF
}

write_front_config() {  # DIR PORT NODE_PORT...
  local dir="$1/front" port="$2" n=0 node_port
  shift 2
  {
    cat <<CONF
global
    maxconn 4096
    tune.pipesize 1048576
    log stdout format raw local0
defaults
    mode http
    log global
    option httplog
    timeout connect 2s
    timeout client 60s
    timeout server 60s
    retries 3
    option redispatch 1
    option splice-response
frontend parcel2
    bind 127.0.0.1:$port
    default_backend parcel2_nodes
backend parcel2_nodes
    balance roundrobin
    option httpchk GET /parcel2-health
    http-check expect status 200
    # Two missed checks in a row, so a busy moment does not take a node out.
    timeout check 3s
    default-server inter 1s fall 2 rise 1
CONF
    for node_port in "$@"; do
      n=$((n + 1))
      echo "    server node$n 127.0.0.1:$node_port check"
    done
  } >"$dir/haproxy.cfg"
}

# start_server NAME PIDFILE LOG WRITE_CONFIG_COMMAND... -- PROGRAM ARG...:
# on a free port (its number replaces PORT in the config writer's
# arguments), tried again on another one when the server does not come up.
# Sets server_port.
start_server() {
  local name="$1" pidfile="$2" log="$3" writer=() program=() attempt
  shift 3
  while [ "$1" != -- ]; do
    writer+=("$1")
    shift
  done
  shift
  program=("$@")
  for attempt in 1 2 3 4 5; do
    server_port="$(probe_free_port)" || die "no free port for $name"
    "${writer[@]/#PORT/$server_port}"
    "${program[@]}" >>"$log" 2>&1 </dev/null &
    echo $! >"$pidfile"
    wait_for_port "$server_port" "$(cat "$pidfile")" && return 0
    stop_pid "$pidfile" "${program[0]##*/}"
    echo "local.sh: $name did not come up on $server_port (attempt $attempt)" >>"$log"
  done
  cat "$log" >&2
  die "$name did not start"
}

start_all() {  # DIR CATALOG NODES SERVE_OPTION...
  local dir="$1" catalog nodes="$3" n node_ports=()
  catalog="$(cd "$2" 2>/dev/null && pwd)" || die "no catalog $2"
  shift 3
  [ -f "$catalog/purchases.txt" ] || die "$catalog is not a catalog (no purchases.txt)"
  [[ "$nodes" =~ ^[1-9][0-9]?$ ]] || die "NODES must be a number from 1 to 99"
  host="$(command -v parcel2-host 2>/dev/null || true)"
  [ -n "$host" ] || host="$(cd "$deploy/.." && pwd)/build/host/parcel2-host"
  [ -x "$host" ] || die "no parcel2-host on PATH nor in build/host"
  nginx="$(find_program nginx)" || die "nginx is missing (apt-get install nginx-light)"
  haproxy="$(find_program haproxy)" || die "haproxy is missing (apt-get install haproxy)"
  mkdir -p "$dir/front"
  dir="$(cd "$dir" && pwd)"
  # A server cannot be started twice under one DIR: its pid file would be lost.
  [ -f "$dir/front/haproxy.pid" ] && die "$dir is in use; deploy/local.sh stop $dir first"
  # Whatever fails half-way, nothing started is left running.
  # (The folder is written into the trap: it runs after this function's
  # variables are gone.)
  # shellcheck disable=SC2064  # expanded now, on purpose
  trap "stop_all $(printf %q "$dir")" EXIT
  ulimit -n 65536 2>/dev/null || ulimit -n "$(ulimit -Hn)" 2>/dev/null || true
  for n in $(seq 1 "$nodes"); do
    mkdir -p "$dir/node$n/tmp"
    : >"$dir/node$n/access.log"
    start_host "$dir" "$n" "$catalog" "$@"
    start_server "node $n's nginx" "$dir/node$n/nginx.pid" "$dir/node$n/startup.log" \
      write_node_config "$dir" "$n" "$catalog" "$host_port" PORT -- \
      "$nginx" -p "$dir/node$n" -c "$dir/node$n/nginx.conf" -e "$dir/node$n/error.log"
    node_ports+=("$server_port")
  done
  start_server "haproxy" "$dir/front/haproxy.pid" "$dir/front/haproxy.log" \
    write_front_config "$dir" PORT "${node_ports[@]}" -- "$haproxy" -db -f "$dir/front/haproxy.cfg"
  trap - EXIT
  echo "http://127.0.0.1:$server_port" >"$dir/front/url"
  echo "Nodes: $nodes (nginx on ${node_ports[*]}), logs in $dir/node<N>/access.log"
  echo "http://127.0.0.1:$server_port"
}

usage() {
  sed -n 's/^#   //p' "$0" | sed -n '/^deploy/,/parcel2-host is/p' >&2
  exit 2
}

case "${1:-}" in
  start)
    [ $# -ge 3 ] || usage
    dir="$2" catalog="$3" nodes=2
    shift 3
    if [ $# -gt 0 ] && [ "$1" != -- ]; then
      nodes="$1"
      shift
    fi
    [ $# -eq 0 ] || { [ "$1" = -- ] && shift; } || usage
    start_all "$dir" "$catalog" "$nodes" "$@"
    ;;
  stop-node)
    [ $# -eq 3 ] || usage
    stop_node "$2" "$3"
    ;;
  stop)
    [ $# -eq 2 ] || usage
    if [ -d "$2" ]; then stop_all "$2"; fi
    ;;
  *) usage ;;
esac
