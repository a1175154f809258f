# shellcheck shell=bash
# Free loopback ports for servers started by a script; sourced, never run.
#   probe_free_port     a loopback port nobody listens on
#   wait_for_port PORT PID
#                       until PORT answers (true), or PID ends or 10 s pass

# A server still fails cleanly if the port is taken between the probe and
# its bind, and the caller tries the next port.
probe_free_port() {
  local port
  for port in $(shuf -i 20000-60999 -n 50); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return 0
    fi
  done
  return 1
}

wait_for_port() {
  for _ in $(seq 1 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; then return 0; fi
    kill -0 "$2" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
