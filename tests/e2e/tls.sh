#!/usr/bin/env bash
# End-to-end scenarios over HTTPS, with a throwaway authority made for the
# run: tls-verified, tls-untrusted, tls-redirects; and plain-http-warning.
#   tls.sh SCENARIO PARCEL2 PARCEL2_HOST
source "$(dirname "$0")/lib.sh"

# Only the authority each run names is trusted, whatever the machine's own
# settings say.
unset CURL_CA_BUNDLE SSL_CERT_FILE SSL_CERT_DIR
certs="$work/certs"
"$(dirname "$0")/../../scripts/make-tls-certificates.sh" "$certs" > /dev/null 2>&1 || fail "no certificates"

# serve_https NAME [ARGS...]: the host on a free port over HTTPS with the
# certificate NAME.pem.
serve_https() {
  local name="$1"
  shift
  start_host --tls-cert "$certs/$name.pem" --tls-key "$certs/$name.key" "$@"
  [[ "$base_url" == https://* ]] || fail "the host does not serve https: $base_url"
}

# A second host, over plain HTTP, its log in plain-host.out.
plain_pid=""
serve_plain() {
  : > "$work/plain-host.out"
  "$host_program" serve "$work/catalog" --port 0 "$@" >> "$work/plain-host.out" 2>&1 &
  plain_pid=$!
  wait_for 20 grep -q "^Serving" "$work/plain-host.out" || fail "the plain host did not start"
  plain_url="$(sed -n 's/^Serving .* on \(http:[^ ]*\).*/\1/p' "$work/plain-host.out")"
}
stop_plain() {
  kill "$plain_pid" 2>/dev/null || true
  wait "$plain_pid" 2>/dev/null || true
  plain_pid=""
}
trap 'stop_plain; cleanup' EXIT

# A fresh save folder and list cache, so nothing of an earlier run counts.
fresh_run() {
  folder="$work/save-$1"
  export XDG_CACHE_HOME="$work/cache-$1"
}

case "$scenario" in
  tls-verified)
    # The private authority reaches the transfer through each of the
    # variables the curl command line honours.
    for variable in SSL_CERT_FILE CURL_CA_BUNDLE SSL_CERT_DIR; do
      unset CURL_CA_BUNDLE SSL_CERT_FILE SSL_CERT_DIR
      if [ "$variable" = SSL_CERT_DIR ]; then export SSL_CERT_DIR="$certs/ca-folder"; else export "$variable=$certs/ca.pem"; fi
      fresh_run "$variable"
      serve_https host
      start_run "$variable" -K e2e-key
      finish_run
      [ "$run_status" -eq 0 ] || fail "$variable: exit $run_status, expected 0"
      expect_product
      [ "$(parts_requested)" = "001 002 003 004 " ] || fail "$variable: requests: $(parts_requested)"
      stop_host
    done
    ;;

  tls-untrusted)
    export SSL_CERT_FILE="$certs/ca.pem"
    for certificate in self-signed:self.signed other-name:"host name '127.0.0.1'" expired:expired; do
      name="${certificate%%:*}"
      reason="${certificate#*:}"
      fresh_run "$name"
      serve_https "$name"
      start_run "$name" -K e2e-key -E -L
      finish_run
      [ "$run_status" -eq 2 ] || fail "$name: exit $run_status, expected 2"
      grep -q "^The server's certificate could not be verified (.*$reason.*)\.$" "$work/$name.err" ||
        fail "$name: the reason is not on the error stream"
      ! grep -q "getbody" "$work/host.log" || fail "$name: a part was requested"
      # One refusal a visit of the page (the first and two Try Again): asking
      # again would only meet the same certificate.
      refusals="$(cat "$XDG_CACHE_HOME"/QUILLMAR_DownloaderLog/*.log | iconv -f UTF-16LE -t UTF-8 |
        grep -c "ERROR  Server certificate not verified:.*$reason")" || true
      [ "$refusals" -eq 3 ] || fail "$name: $refusals certificate refusals logged, expected 3"
      stop_host
    done

    # A trust store that cannot be read trusts no host either.
    export SSL_CERT_FILE="$work/no-such-store.pem"
    fresh_run unreadable-store
    serve_https host
    start_run unreadable-store -K e2e-key -E
    finish_run
    [ "$run_status" -eq 2 ] || fail "unreadable store: exit $run_status, expected 2"
    grep -q "^The server's certificate could not be verified (.*no-such-store\.pem.*)\.$" "$work/unreadable-store.err" ||
      fail "unreadable store: the reason is not on the error stream"
    ! grep -q "getbody" "$work/host.log" || fail "unreadable store: a part was requested"
    stop_host
    ;;

  tls-redirects)
    export SSL_CERT_FILE="$certs/ca.pem"
    # An https list sent on to plain http is not followed.
    fresh_run down
    serve_plain
    serve_https host --fault "redirect:302:$plain_url/http/cgi-bin/getlist_u8.pl,endpoint=list,count=all"
    start_run down -K e2e-key -E
    finish_run
    [ "$run_status" -eq 2 ] || fail "redirected to http: exit $run_status, expected 2"
    ! grep -q "^POST" "$work/plain-host.out" || fail "the redirect to plain http was followed"
    stop_host
    stop_plain

    # A plain http list sent on to https is followed.
    fresh_run up
    serve_https host
    serve_plain --fault "redirect:302:$base_url/http/cgi-bin/getlist_u8.pl,endpoint=list"
    start_run up -K e2e-key -E -H "$plain_url"
    finish_run
    [ "$run_status" -eq 0 ] || fail "redirected to https: exit $run_status, expected 0"
    grep -q "getlist_u8.pl NO=4242 REQID= 200" "$work/host.log" || fail "the list did not come over https"
    ;;

  plain-http-warning)
    # The host stand-in stands in for a remote host too: named through a
    # proxy on loopback, so no name is looked up and nothing leaves here.
    start_host
    export http_proxy="$base_url"
    unset no_proxy NO_PROXY
    fresh_run remote
    start_run remote -K e2e-key -E -L -H "http://downloads.example"
    finish_run
    [ "$run_status" -eq 0 ] || fail "exit $run_status, expected 0"
    expect_product
    grep -q "^Warning: The download list came over plain HTTP from downloads.example: " "$work/remote.err" ||
      fail "no warning on the error stream"
    cat "$XDG_CACHE_HOME"/QUILLMAR_DownloaderLog/*.log | iconv -f UTF-16LE -t UTF-8 |
      grep -q "WARNG  The download list came over plain HTTP from downloads.example: " || fail "no warning in the log"
    ;;

  *) fail "unknown scenario" ;;
esac
echo "PASS ($scenario)"
