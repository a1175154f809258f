#!/usr/bin/env bash
# End-to-end scenarios of the download itself: happy, killed, cancelled,
# no-host, wrong-key.
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

  *) fail "unknown scenario" ;;
esac
echo "PASS ($scenario)"
