#!/usr/bin/env bash
# End-to-end scenarios of a start from the desktop: link (an unattended
# download started from a parcel-two:// link, whose key stays out of the log),
# link-refused (links the unattended mode cannot use end with 1 before
# anything is fetched).
#   desktop.sh SCENARIO PARCEL2 PARCEL2_HOST
source "$(dirname "$0")/lib.sh"

# The log is UTF-16LE, one file a day.
log_text() { cat "$XDG_CACHE_HOME"/QUILLMAR_DownloaderLog/Downloader*.log 2>/dev/null | iconv -f UTF-16LE -t UTF-8; }

case "$scenario" in
  link)
    start_host
    host_escaped="$(printf '%s' "$base_url" | sed 's/:/%3A/g; s#/#%2F#g')"
    "$parcel2" --unattended -L --folder "$folder" \
      "parcel-two://purchase?no=4242&key=e2e%2Dkey&host=$host_escaped" > "$work/link.out" 2> "$work/link.err" || fail "exit $?"
    expect_product
    [ "$(parts_requested)" = "001 002 003 004 " ] || fail "requests: $(parts_requested)"
    log="$(log_text)"
    grep -q "Purchase link: Purchase No=4242" <<< "$log" || fail "the log does not name the link's purchase"
    if grep -q "e2e-key" <<< "$log"; then fail "the key reached the log"; fi
    ;;

  link-refused)
    start_host
    for link in "parcel2://purchase?no=4242&key=e2e-key&host=http://192.0.2.1:$((RANDOM + 1024))" \
                "parcel2://purchase?no=4242&key=e2e%zzkey&host=$base_url" \
                "parcel2://purchase?no=4242&host=$base_url"; do
      set +e
      "$parcel2" --unattended --folder "$folder" "$link" > "$work/refused.out" 2> "$work/refused.err"
      status=$?
      set -e
      [ "$status" -eq 1 ] || fail "exit $status for $link, expected 1"
      grep -q "^parcel2: the \(purchase link cannot be used\|link's host\)" "$work/refused.err" || fail "no reason for $link"
    done
    [ -z "$(parts_requested)" ] && ! grep -q getlist "$work/host.log" || fail "a refused link reached the host"
    ;;

  *) fail "unknown scenario" ;;
esac
echo "PASS ($scenario)"
