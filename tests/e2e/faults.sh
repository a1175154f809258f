#!/usr/bin/env bash
# End-to-end scenarios of the unattended mode's promises on its harder
# paths: install-failed, closed-pipe, second-signal, busy-host, trickled-list.
#   faults.sh SCENARIO PARCEL2 PARCEL2_HOST
source "$(dirname "$0")/lib.sh"

# The run must end by itself within the given seconds (a generous bound:
# the promise is two); it is killed and the scenario fails otherwise.
expect_end_within() {
  if ! wait_for "$1" bash -c "! kill -0 $run_pid 2>/dev/null"; then
    kill -KILL "$run_pid" 2>/dev/null || true
    fail "$2"
  fi
  finish_run
}

case "$scenario" in
  install-failed)
    # A product of its own, with a command that fails, one that tells what
    # it was given, and one that cannot start.
    publish --catalog "$work/installs" --product "$product" --name "E2E Product" --number 8 \
      --file-name e2e.bin --parts 2 --purchase "4242:e2e-key" \
      --install "sh|-c 'exit 3'|3|1" \
      --install "sh|-c 'echo \${QT_QPA_PLATFORM-unset} > qpa.txt'|3|1" \
      --install "no-such-installer||3|1" \
      --install "waiter.sh||3|1" > /dev/null
    # An installer that waits for good unless told to skip it.
    mkdir -p "$folder" && touch "$folder/skip-wait"
    printf '#!/bin/sh\n[ -e skip-wait ] || { echo $$ > waiting; exec sleep 120; }\n' > "$folder/waiter.sh"
    chmod +x "$folder/waiter.sh"
    : > "$work/host.log"
    "$host_program" serve "$work/installs" --port 0 >> "$work/host.log" 2>&1 &
    host_pid=$!
    wait_for 20 grep -q "^Serving" "$work/host.log" || fail "the host did not start"
    base_url="$(sed -n 's/^Serving .* on \(http[^ ]*\).*/\1/p' "$work/host.log")"
    # No session on this machine: Qt would warn, but not on our error stream.
    unset XDG_RUNTIME_DIR QT_QPA_PLATFORM
    start_run first -K e2e-key --install
    finish_run
    [ "$run_status" -eq 7 ] || fail "exit $run_status with a failing install command, expected 7"
    expect_product
    grep -qxF "Install command failed: 'sh -c 'exit 3'' ended with exit code 3" "$work/first.err" \
      || fail "the failing command is not named"
    grep -qxF "Install command failed: 'no-such-installer' could not be started" "$work/first.err" \
      || fail "the command that could not start is not named"
    [ "$(cat "$folder/qpa.txt")" = "unset" ] || fail "the installer got QT_QPA_PLATFORM=$(cat "$folder/qpa.txt")"
    ! grep -q "XDG_RUNTIME_DIR\|^qt\.\|QStandardPaths" "$work/first.err" || fail "Qt's warnings on the error stream"

    # A signal while a waited installer runs does not wait for it.
    rm "$folder/skip-wait"
    start_run waited -K e2e-key --install
    wait_for 60 test -s "$folder/waiting" || fail "the waited installer never started"
    kill -TERM "$run_pid"
    expect_end_within 20 "the cancel waited for the installer"
    [ "$run_status" -eq 6 ] || fail "exit $run_status after SIGTERM during the installer, expected 6"
    kill "$(cat "$folder/waiting")"  # the customer's installer went on; this one is ours to end

    # The product is complete in that folder; another one asked for now
    # must not end as if the product were there.
    other="$work/elsewhere"
    "$parcel2" --unattended -P 4242 -K e2e-key -H "$base_url" --folder "$other" > "$work/second.out" 2> "$work/second.err" \
      && fail "a product in another folder passed for done"
    run_status=$?
    [ "$run_status" -eq 5 ] || fail "exit $run_status, expected 5"
    grep -qF "already complete in $folder, not in $other" "$work/second.err" || fail "the two folders are not named"
    ;;

  closed-pipe)
    start_host
    # A reader that goes after the first line does not stop the job.
    set +e
    "$parcel2" --unattended -P 4242 -K e2e-key -H "$base_url" --folder "$folder" 2> "$work/first.err" | head -n 1 > "$work/first.out"
    statuses=("${PIPESTATUS[@]}")
    set -e
    [ "${statuses[0]}" -eq 0 ] || fail "exit ${statuses[0]} with its output closed, expected 0"
    expect_product
    # Arguments that are not what they seem are refused before anything runs.
    set +e
    "$parcel2" --unattended -P 4242 -K e2e-key --folder "$work/$(printf 'caf\xe9')" > /dev/null 2> "$work/bad.err"
    [ $? -eq 1 ] || fail "a folder that is not UTF-8 was not refused"
    "$parcel2" -P 4242 -K=e2e-key > /dev/null 2>> "$work/bad.err"
    [ $? -eq 1 ] || fail "-K=KEY was not refused"
    set -e
    grep -q "is not valid UTF-8" "$work/bad.err" || fail "no word on the UTF-8 refusal"
    grep -q "argument of its own" "$work/bad.err" || fail "no word on -K=KEY"
    ;;

  second-signal)
    # Two signals that arrive together while part 3 stalls: both handlers
    # run before the UI thread can act on the first, so the second ends the
    # run at once (the ordinary cancel would wait for the stalled part to be
    # closed), and the verified parts stay. One part at a time, so that
    # part 4 waits behind it.
    start_host --fault "stall:100000,endpoint=body,reqid=e2e.bin.003"
    start_run first -K e2e-key --connections 1
    wait_for 60 bash -c "[ \$(ls '$folder/DownloadTemp' 2>/dev/null | wc -l) -ge 3 ]" || fail "part 3 never started"
    kill -STOP "$run_pid"
    kill -TERM "$run_pid"
    kill -INT "$run_pid"
    kill -CONT "$run_pid"
    expect_end_within 20 "the second signal did not end the run"
    [ "$run_status" -eq 6 ] || fail "exit $run_status after two signals, expected 6"
    [ "$(tail -n 1 "$work/first.err")" = "Cancelled at once: parts already verified stay for the next run." ] \
      || fail "the second signal did not end the run at once: $(tail -n 1 "$work/first.err")"
    stop_host
    resume_fetching "003 004 "
    ;;

  busy-host)
    # A host that sends two bodies at a time and answers 503 beside them,
    # each body pausing on the way: four connections fall back to fewer and
    # the product is right; the host never had more than two bodies open.
    start_host --busy-above 2 --fault "stall:100000:300,endpoint=body,count=all"
    start_run first -K e2e-key --connections 4
    finish_run
    [ "$run_status" -eq 0 ] || fail "exit $run_status against a busy host, expected 0"
    expect_product
    stop_host
    peak="$(sed -n 's/^Peak part bodies open at once: //p' "$work/host.log" | tail -n 1)"
    [ -n "$peak" ] && [ "$peak" -le 2 ] || fail "the host had $peak bodies open at once"
    ;;

  trickled-list)
    # A host that sends the list a byte at a time holds up neither the
    # cancel nor the end of the program.
    start_host --fault "throttle:1,endpoint=list,count=all"
    start_run first -K e2e-key
    wait_for 30 grep -q "^== Acquiring download information" "$work/first.out" || fail "the acquisition never began"
    kill -TERM "$run_pid"
    expect_end_within 20 "the cancel waited for the trickled list"
    [ "$run_status" -eq 6 ] || fail "exit $run_status after SIGTERM, expected 6"
    ;;

  *) fail "unknown scenario" ;;
esac
echo "PASS ($scenario)"
