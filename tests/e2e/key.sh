#!/usr/bin/env bash
# End-to-end scenarios of the purchase key, which stays between the customer
# and the host: key-proxy (a proxy in the environment is never used for a
# host on this machine), key-hidden (the key is in neither the log nor the
# process's command line while a part downloads), key-redirect (a list led
# on to a plain-HTTP host elsewhere is warned about), key-packed (arguments
# the wizard would misread are refused before anything is logged or asked).
#   key.sh SCENARIO PARCEL2 PARCEL2_HOST   (PARCEL2_LISTEN_PROBE: the listener)
source "$(dirname "$0")/lib.sh"

log_text() { cat "$XDG_CACHE_HOME"/QUILLMAR_DownloaderLog/Downloader*.log 2>/dev/null | iconv -f UTF-16LE -t UTF-8; }
link_to_host() { printf 'parcel2://purchase?no=4242&key=e2e-key&host=%s' "$(printf '%s' "$base_url" | sed 's/:/%3A/g; s#/#%2F#g')"; }

probe_pid=""
trap '[ -n "$probe_pid" ] && kill "$probe_pid" 2>/dev/null; cleanup' EXIT

case "$scenario" in
  key-proxy)
    "$PARCEL2_LISTEN_PROBE" > "$work/probe.out" 2>&1 &
    probe_pid=$!
    wait_for 20 grep -q "^Listening on " "$work/probe.out" || fail "the probe did not listen"
    proxy="http://127.0.0.1:$(sed -n 's/^Listening on //p' "$work/probe.out")"
    start_host
    export http_proxy="$proxy" https_proxy="$proxy" all_proxy="$proxy" HTTPS_PROXY="$proxy" ALL_PROXY="$proxy"
    unset no_proxy NO_PROXY
    "$parcel2" --unattended -L --folder "$folder" "$(link_to_host)" > "$work/link.out" 2> "$work/link.err" ||
      fail "exit $? through a proxy the host is not behind"
    expect_product
    [ "$(grep -c "^Connection" "$work/probe.out")" -eq 0 ] || fail "the proxy saw a connection"
    ! grep -q "^Warning" "$work/link.err" || fail "a warning for a list from this machine"
    ;;

  key-hidden)
    # Each run waits in part 2, which the host holds back, while its
    # command line and its log are read.
    start_host --fault "stall:100000,endpoint=body,reqid=e2e.bin.002,count=all"
    for way in switch link; do
      folder="$work/save-$way"
      if [ "$way" = switch ]; then
        "$parcel2" --unattended -L -P 4242 -K e2e-key -H "$base_url" --folder "$folder" > "$work/$way.out" 2> "$work/$way.err" &
      else
        "$parcel2" --unattended -L --folder "$folder" "$(link_to_host)" > "$work/$way.out" 2> "$work/$way.err" &
      fi
      run_pid=$!
      wait_for 60 bash -c "[ \$(ls '$folder/DownloadTemp' 2>/dev/null | wc -l) -ge 2 ]" || fail "$way: part 2 never started"
      command_line="$(tr '\0' ' ' < "/proc/$run_pid/cmdline")"
      [[ "$command_line" == *"$folder"* ]] || fail "$way: not the run's command line: $command_line"
      [[ "$command_line" != *e2e-key* ]] || fail "$way: the key is on the command line: $command_line"
      log="$(log_text)"
      grep -q "Purchase No=4242" <<< "$log" || fail "$way: no log"
      ! grep -q "e2e-key" <<< "$log" || fail "$way: the key reached the log"
      kill -TERM "$run_pid"
      finish_run
      [ "$run_status" -eq 6 ] || fail "$way: exit $run_status after SIGTERM, expected 6"
    done
    ;;

  key-redirect)
    # The host stands in for the one elsewhere too, named through a proxy
    # on loopback; the list request to this machine is not sent there.
    start_host --fault "redirect:302:http://downloads.example/http/cgi-bin/getlist_u8.pl,endpoint=list_u8"
    export http_proxy="$base_url"
    unset no_proxy NO_PROXY
    start_run redirected -K e2e-key -E -L
    finish_run
    [ "$run_status" -eq 0 ] || fail "exit $run_status, expected 0"
    grep -q "getlist_u8.pl NO=4242 REQID= 302 " "$work/host.log" || fail "the list was not redirected"
    grep -q "getlist_u8.pl NO=4242 REQID= 200 " "$work/host.log" || fail "the list did not come from elsewhere"
    grep -q "^Warning: The download list came over plain HTTP from downloads.example: " "$work/redirected.err" ||
      fail "no warning on the error stream"
    grep -q "WARNG  The download list came over plain HTTP from downloads.example: " <<< "$(log_text)" ||
      fail "no warning in the log"
    ;;

  key-packed)
    start_host
    for mode in --unattended ""; do
      set +e
      "$parcel2" $mode "$(link_to_host)" "-E -H http://other" > "$work/packed.out" 2> "$work/packed.err"
      status=$?
      set -e
      [ "$status" -eq 1 ] || fail "packed ($mode): exit $status, expected 1"
      grep -q "^parcel2: argument [23] holds white space" "$work/packed.err" || fail "packed ($mode): no reason"
    done
    set +e
    "$parcel2" --unattended -L -P -K e2e-key -H "$base_url" --folder "$folder" > "$work/missing.out" 2> "$work/missing.err"
    status=$?
    set -e
    [ "$status" -eq 1 ] || fail "a switch without its value: exit $status, expected 1"
    grep -qx "parcel2: -P needs a value, not the switch -K" "$work/missing.err" || fail "no reason for the missing value"
    [ ! -e "$XDG_CACHE_HOME/QUILLMAR_DownloaderLog" ] || fail "a log was written before the refusal"
    ! grep -q "getlist" "$work/host.log" || fail "a refused command line reached the host"
    ;;

  *) fail "unknown scenario" ;;
esac
echo "PASS ($scenario)"
