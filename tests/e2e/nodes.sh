#!/usr/bin/env bash
# End-to-end scenarios through deploy/local.sh: HAProxy in front of two
# nginx nodes, each with its parcel2-host that checks the purchase and hands
# the part to nginx. nodes-verified, nodes-resumed, nodes-node-stopped,
# nodes-wrong-key. A transfer is held in the middle of a part by the host's
# stall, which nginx plays as a byte a second after so many bytes; what the
# nodes sent is read from their access logs (combined format).
#   nodes.sh SCENARIO PARCEL2 PARCEL2_HOST
source "$(dirname "$0")/lib.sh"

local_sh="$(cd "$(dirname "$0")/../.." && pwd)/deploy/local.sh"
PATH="$(dirname "$host_program"):$PATH"
export PATH
deployments=()
trap 'for d in "${deployments[@]}"; do "$local_sh" stop "$d" || true; done; cleanup' EXIT
part_size=655360  # the product of lib.sh: four parts of 640 KiB

# deploy NAME [SERVE_OPTION...]: two nodes and the front, its address in base_url.
deploy() {
  local dir="$work/$1"
  shift
  deployments+=("$dir")
  "$local_sh" start "$dir" "$work/catalog" 2 -- "$@" > "$work/deploy.out" 2>&1 || fail "local.sh start: $(cat "$work/deploy.out")"
  base_url="$(tail -n 1 "$work/deploy.out")"
  [[ "$base_url" =~ ^http://127\.0\.0\.1:[0-9]+$ ]] || fail "local.sh printed $base_url last"
}

# The body answers in a deployment's access logs: "NODE STATUS BYTES" a line.
body_answers() {
  local log
  for log in "$work/$1"/node*/access.log; do
    sed -n "s|.*\"POST /http/cgi-bin/getbody_u8.pl HTTP/1.1\" \([0-9]*\) \([0-9]*\) .*|${log%/access.log} \1 \2|p" "$log"
  done | sed 's|^.*/node||'
}

# The part file on its way (parts go one after another: the one not whole).
unfinished_part() {
  find "$folder/DownloadTemp" -name 'DownloadFile_*.TMP' -size -${part_size}c 2>/dev/null | head -n 1
}
# wait_for_held_part N BYTES: until part N (N part files begun) has at least
# BYTES; its stall holds it short of the whole.
wait_for_held_part() {
  wait_for 60 bash -c "[ \$(find '$folder/DownloadTemp' -name 'DownloadFile_*.TMP' 2>/dev/null | wc -l) -ge $1 ] &&
    [ -n \"\$(find '$folder/DownloadTemp' -name 'DownloadFile_*.TMP' -size +$(($2 - 1))c -size -${part_size}c)\" ]" \
    || fail "part $1 was not held past $2 bytes"
}

# run_to_the_end NAME: a run with the right key that must end with the product.
run_to_the_end() {
  start_run "$1" -K e2e-key
  finish_run
  [ "$run_status" -eq 0 ] || fail "$1 run: exit $run_status, expected 0"
  expect_product
}

# http_request METHOD PATH [BODY]: the whole answer of the front, raw.
http_request() {
  local address="${base_url#http://}" body="${3:-}"
  exec 5<>"/dev/tcp/${address%:*}/${address#*:}"
  printf '%s %s HTTP/1.1\r\nHost: %s\r\nConnection: close\r\nContent-Length: %d\r\n\r\n%s' \
    "$1" "$2" "$address" "${#body}" "$body" >&5
  timeout 10 cat <&5
  exec 5>&-
}

case "$scenario" in
  nodes-verified)
    deploy one
    run_to_the_end first
    # Every part came from nginx, both nodes served some, and the hosts
    # sent none of their bytes.
    answers="$(body_answers one)"
    [ "$(echo "$answers" | awk '$2 == 200 { s += $3 } END { print s + 0 }')" = $((4 * part_size)) ] \
      || fail "the nodes' answers: $answers"
    [ "$(echo "$answers" | awk '{ print $1 }' | sort -u | tr '\n' ' ')" = "1 2 " ] || fail "not both nodes served: $answers"
    grep -h "getbody_u8" "$work"/one/node*/host.log | grep -qv " 200 0 bytes " && fail "a host sent a part itself"
    ;;

  nodes-resumed)
    # Killed in the middle of part 3; the second run, through a fresh
    # deployment, gets the rest of it from nginx with a 206.
    deploy first --fault "stall:300000,endpoint=body,reqid=e2e.bin.003"
    start_run first -K e2e-key --connections 1
    wait_for_held_part 3 200000
    kill -KILL "$run_pid"
    finish_run
    kept="$(stat -c %s "$(unfinished_part)")"
    "$local_sh" stop "$work/first"
    deploy second
    run_to_the_end second
    answers="$(body_answers second | awk '{ print $2, $3 }' | sort | tr '\n' ' ')"
    [ "$answers" = "200 $part_size 206 $((part_size - kept)) " ] || fail "kept $kept, the nodes answered: $answers"
    grep -q "REQID=e2e.bin.003 200 0 bytes .* range=bytes=$kept-$" "$work"/second/node*/host.log \
      || fail "no host passed on the range from $kept"
    ;;

  nodes-node-stopped)
    # The node sending part 2 stops in the middle of it: the program goes
    # on from where it got to on the other node, with no error shown. The
    # other node's own stall lets the rest through: past 300000 bytes kept
    # it is less than 400000.
    deploy one --fault "stall:400000,endpoint=body,reqid=e2e.bin.002"
    start_run first -K e2e-key
    wait_for_held_part 2 300000
    node="$(grep -l "REQID=e2e.bin.002 200" "$work"/one/node*/host.log | sed 's|.*/node\([0-9]*\)/host.log|\1|')"
    [[ "$node" =~ ^[12]$ ]] || fail "no single node was asked for part 2: $node"
    pids="$(cat "$work/one/node$node/nginx.pid" "$work/one/node$node/host.pid")"
    "$local_sh" stop-node "$work/one" "$node"
    for pid in $pids; do kill -0 "$pid" 2>/dev/null && fail "node $node's process $pid still runs"; done
    # Held at a byte a second, the download ends only if the stop broke it off.
    wait_for 120 bash -c "! kill -0 $run_pid 2>/dev/null" || fail "the download did not go on after the stop"
    finish_run
    [ "$run_status" -eq 0 ] || fail "exit $run_status, expected 0"
    expect_product
    grep -q "Trying again" "$work/first.out" && fail "the error page was shown"
    other=$((3 - node))
    rest="$(body_answers one | awk -v n="$other" '$1 == n && $2 == 206 { print $3 }')"
    [ -n "$rest" ] && [ "$rest" -le $((part_size - 300000)) ] || fail "node $other answered: $(body_answers one)"
    ;;

  nodes-wrong-key)
    deploy one
    start_run first -K not-the-key
    finish_run
    [ "$run_status" -eq 2 ] || fail "exit $run_status with a wrong key, expected 2"
    grep -q "Invalid purchase number or key" "$work/first.err" || fail "the host's message is not on the error stream"
    # A part asked for with a wrong key gets the host's 404, and the
    # internal location cannot be reached from outside.
    answer="$(http_request POST /http/cgi-bin/getbody_u8.pl "NO=4242&KEY=not-the-key&REQID=e2e.bin.001")"
    [[ "$answer" == "HTTP/1.1 404 "* ]] && [[ "$answer" == *$'\r\n\r\nNot Found' ]] || fail "a wrong key got: $answer"
    answer="$(http_request GET /parcel2-parts/product7/e2e.bin.001)"
    [[ "$answer" == "HTTP/1.1 404 "* ]] || fail "the internal location answered: ${answer:0:200}"
    [ -z "$(body_answers one | awk '$2 != 404')" ] || fail "a part went out: $(body_answers one)"
    ;;

  *) fail "unknown scenario" ;;
esac
echo "PASS ($scenario)"
