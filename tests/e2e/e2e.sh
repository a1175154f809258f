#!/usr/bin/env bash
# End-to-end scenarios of the download itself: happy, killed, cancelled,
# no-host, wrong-key, unverified-list, two-runs.
#   e2e.sh SCENARIO PARCEL2 PARCEL2_HOST
source "$(dirname "$0")/lib.sh"

case "$scenario" in
  happy)
    "$parcel2" --help | grep -q "^Exit codes" || fail "--help has no exit codes"
    "$parcel2" --version | grep -q "^parcel2 " || fail "--version"
    start_host
    start_run first -K e2e-key
    finish_run
    [ "$run_status" -eq 0 ] || fail "exit $run_status, expected 0"
    expect_product
    grep -q "^Product: E2E Product" "$work/first.out" || fail "no product line"
    [ "$(parts_requested)" = "001 002 003 004 " ] || fail "requests: $(parts_requested)"
    ;;

  killed)
    interrupt_during_part_three KILL
    # A verified part damaged on disk between the runs is fetched again.
    first_part="$(ls -tr "$folder/DownloadTemp" | head -n 1)"
    printf 'XXXX' | dd of="$folder/DownloadTemp/$first_part" bs=1 seek=100 conv=notrunc status=none
    resume_fetching "001 003 004 "
    ;;

  cancelled)
    expect_progress_line=1
    interrupt_during_part_three TERM
    [ "$run_status" -eq 6 ] || fail "exit $run_status after SIGTERM, expected 6"
    resume_fetching "003 004 "
    ;;

  no-host)
    start_host
    stop_host
    start_run first -K e2e-key
    finish_run
    [ "$run_status" -eq 2 ] || fail "exit $run_status without a host, expected 2"
    ;;

  wrong-key)
    start_host
    start_run first -K not-the-key
    finish_run
    [ "$run_status" -eq 2 ] || fail "exit $run_status with a wrong key, expected 2"
    grep -q "Invalid purchase number or key" "$work/first.err" || fail "the host's message is not on the error stream"
    ;;

  unverified-list)
    # The same product signed with a key the program does not hold: the
    # list is refused on its page, nothing is asked for or kept.
    "$host_program" keygen "$work/stranger" > /dev/null
    "$host_program" publish --catalog "$work/catalog" --product "$product" --name "E2E Product" \
      --en-name "E2E Product" --number 7 --file-name e2e.bin --parts 4 --purchase "4242:e2e-key" \
      --signing-key "$work/stranger/maker.pem" > /dev/null
    start_host
    start_run first -K e2e-key --install
    finish_run
    [ "$run_status" -eq 8 ] || fail "exit $run_status with a list signed by another key, expected 8"
    grep -q "^The download information could not be verified (unknown key)\.$" "$work/first.err" ||
      fail "the page's text is not on the error stream"
    [ -z "$(parts_requested)" ] || fail "parts requested: $(parts_requested)"
    [ "$(grep -c 'getlist_u8' "$work/host.log")" -eq 3 ] || fail "expected the list and two tries again"
    [ -z "$(ls "$XDG_CACHE_HOME" 2>/dev/null | grep '_DownloadUtf8List')" ] || fail "a list was kept: $(ls "$XDG_CACHE_HOME")"
    [ ! -e "$folder" ] || fail "the save folder was made"
    "$parcel2" --help | grep -q "^  8  the download list could not be verified" || fail "--help lacks exit code 8"
    ;;

  two-runs)
    # A second run into the folder while the first holds part 3: it ends
    # at once with 1 and touches nothing; the first goes on to a right
    # product once the host lets part 3 go.
    start_host --fault "stall:100000,endpoint=body,reqid=e2e.bin.003"
    start_run first -K e2e-key --connections 1
    # Parts 1 and 2 whole (655360 bytes each) and the 100000 of part 3 before its stall.
    wait_for 60 bash -c "[ \$(cat '$folder'/DownloadTemp/DownloadFile_* 2>/dev/null | wc -c) -eq 1410720 ]" ||
      fail "part 3 never stalled"
    before="$(cd "$folder/DownloadTemp" && ls -l --time-style=full-iso . | md5sum)"
    first_pid="$run_pid"
    start_run second -K e2e-key
    finish_run
    [ "$run_status" -eq 1 ] || fail "second run: exit $run_status, expected 1"
    grep -qx "already downloading into $folder/DownloadTemp" "$work/second.err" || fail "second run: no message"
    [ "$(cd "$folder/DownloadTemp" && ls -l --time-style=full-iso . | md5sum)" = "$before" ] ||
      fail "the second run touched the parts"
    kill -USR1 "$host_pid"
    run_pid="$first_pid"
    finish_run
    [ "$run_status" -eq 0 ] || fail "first run: exit $run_status, expected 0"
    expect_product
    [ "$(parts_requested)" = "001 002 003 004 " ] || fail "requests: $(parts_requested)"
    ;;

  *) fail "unknown scenario" ;;
esac
echo "PASS ($scenario)"
