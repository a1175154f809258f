#!/usr/bin/env bash
# End-to-end scenarios of a part resumed where it broke off, and of the
# bandwidth limit: dropping, killed-mid-part, killed-no-ranges,
# killed-wrong-range, limit-rate. What the host sent is read from its request log.
#   resume.sh SCENARIO PARCEL2 PARCEL2_HOST
source "$(dirname "$0")/lib.sh"

# One part of 8 MiB, for purchase 4343.
big_size=$((8 * 1024 * 1024))
big="$work/big.bin"
head -c "$big_size" /dev/urandom > "$big"
publish --catalog "$work/catalog" --product "$big" --name "Big" --en-name "Big" \
  --number 8 --file-name big.bin --parts 1 --purchase "4343:big-key" > /dev/null
big_folder="$work/big"
big_part() { find "$big_folder/DownloadTemp" -name 'DownloadFile_*.TMP' 2>/dev/null; }

start_big_run() {  # NAME [ARGS...]
  local name="$1"
  shift
  "$parcel2" --unattended -P 4343 -K big-key -H "$base_url" --folder "$big_folder" "$@" > "$work/$name.out" 2> "$work/$name.err" &
  run_pid=$!
}

expect_big_product() {
  [ "$(md5sum < "$big_folder/big.bin")" = "$(md5sum < "$big")" ] || fail "the big product does not match"
}

# The body requests of the big part in the host's log: "STATUS BYTES RANGE" a line.
big_requests() { sed -n 's/.*getbody[^ ]* NO=4343 REQID=big\.bin\.001 \([0-9]*\) \([0-9]*\) bytes [0-9]* ms\(.*\)/\1 \2\3/p' "$work/host.log"; }
big_bytes_sent() { big_requests | awk '{ s += $2 } END { print s + 0 }'; }

# At most 1.2 times the part's bytes over all requests so far.
expect_little_sent_twice() {
  local sent
  sent="$(big_bytes_sent)"
  [ "$sent" -le $((big_size * 12 / 10)) ] || fail "the host sent $sent bytes for a part of $big_size"
}

# A first run killed with SIGKILL in the middle of the part, which the host
# sends slowly; what the host sent is kept in killed.log.
kill_in_the_middle() {
  start_host --fault "throttle:2000000,endpoint=body"
  start_big_run first
  wait_for 60 bash -c "f=\$(find '$big_folder/DownloadTemp' -name 'DownloadFile_*.TMP' 2>/dev/null); [ -n \"\$f\" ] && [ \$(stat -c %s \$f) -ge 3145728 ]" \
    || fail "the part never got to 3 MiB"
  kill -KILL "$run_pid"
  finish_run
  stop_host
  kept="$(stat -c %s "$(big_part)")"
  [ "$kept" -lt "$big_size" ] || fail "the part was complete before the kill"
  cp "$work/host.log" "$work/killed.log"
}

# The second run, against a host started with the given switches; the
# host's log then holds both runs.
resume_after_the_kill() {
  start_host "$@"
  cat "$work/killed.log" >> "$work/host.log"
  start_big_run second
  finish_run
  [ "$run_status" -eq 0 ] || fail "second run: exit $run_status, expected 0"
  expect_big_product
}

case "$scenario" in
  dropping)
    # Every connection is dropped after 3 MiB: each attempt goes on where
    # the last broke off, and no error page is shown.
    start_host --fault "drop:3145728,endpoint=body,count=all"
    start_big_run first
    finish_run
    [ "$run_status" -eq 0 ] || fail "exit $run_status, expected 0"
    expect_big_product
    grep -q "Trying again" "$work/first.out" && fail "the error page was shown"
    [ "$(big_requests | awk '{ print $1 }' | tr '\n' ' ')" = "200 206 206 " ] || fail "requests: $(big_requests)"
    expect_little_sent_twice
    ;;

  killed-mid-part)
    kill_in_the_middle
    resume_after_the_kill
    big_requests | tail -n 1 | grep -q "^206 $((big_size - kept)) range=bytes=$kept-$" \
      || fail "the second run did not ask for the rest from $kept: $(big_requests | tail -n 1)"
    expect_little_sent_twice
    ;;

  killed-no-ranges)
    # A host that ignores Range sends the part whole, and it still verifies.
    kill_in_the_middle
    resume_after_the_kill --no-ranges
    big_requests | tail -n 1 | grep -q "^200 $big_size range=bytes=$kept-$" || fail "requests: $(big_requests)"
    ;;

  killed-wrong-range)
    # A 206 that is not the rest asked for: the part is fetched whole.
    kill_in_the_middle
    resume_after_the_kill --fault "badrange,endpoint=body"
    [ "$(big_requests | tail -n 2 | awk '{ print $1 }' | tr '\n' ' ')" = "206 200 " ] || fail "requests: $(big_requests)"
    ;;

  limit-rate)
    # 2.5 MiB at 1 MiB/s: at least 2 s whatever the machine (a lower bound
    # only; a busy machine makes it slower, never faster).
    start_host
    started="$SECONDS"
    start_run first -K e2e-key --limit-rate 1M
    finish_run
    [ "$run_status" -eq 0 ] || fail "exit $run_status, expected 0"
    expect_product
    [ $((SECONDS - started)) -ge 2 ] || fail "2.5 MiB at 1 MiB/s took $((SECONDS - started)) s"
    "$parcel2" --unattended -P 1 -K k --limit-rate 1X > /dev/null 2> "$work/usage.err" && fail "a wrong rate was taken"
    grep -q "^parcel2: --limit-rate needs a rate" "$work/usage.err" || fail "no clear message for a wrong rate"
    ;;

  *) fail "unknown scenario" ;;
esac
echo "PASS ($scenario)"
