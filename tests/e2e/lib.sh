# What every end-to-end scenario file shares: the parcel2 program as a
# process, in --unattended mode, against parcel2-host as a process on
# loopback, each run in a fresh home and temporary folder. A scenario file
# is called as
#   FILE.sh SCENARIO PARCEL2 PARCEL2_HOST
# and sources this first. Waits are bounded polls on what the processes
# write, never sleeps that hope.
set -euo pipefail

scenario="$1"
parcel2="$2"
host_program="$3"

work="$(mktemp -d)"
host_pid=""
cleanup() {
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null && wait "$host_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL ($scenario): $*" >&2
  for f in "$work"/*.out "$work"/*.err "$work"/host.log; do
    [ -f "$f" ] && { echo "--- $f" >&2; tail -n 30 "$f" >&2; }
  done
  exit 1
}

# Polls until the command succeeds, for at most $1 seconds.
wait_for() {
  local seconds="$1"
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.1
  done
}

export HOME="$work/home" XDG_CACHE_HOME="$work/cache"
unset TMPDIR DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME"
folder="$work/save"
product="$work/product.bin"

# parcel2-host publish, signed with the key the program trusts when it has
# one (PARCEL2_E2E_SIGNING_KEY, set by ctest).
publish() {
  local signing=()
  [ -n "${PARCEL2_E2E_SIGNING_KEY:-}" ] && signing=(--signing-key "$PARCEL2_E2E_SIGNING_KEY")
  "$host_program" publish "$@" "${signing[@]}"
}

# A product of 2.5 MB in four parts, for purchase 4242.
head -c $((2560 * 1024)) /dev/urandom > "$product"
publish --catalog "$work/catalog" --product "$product" --name "E2E Product" \
  --en-name "E2E Product" --number 7 --file-name e2e.bin --parts 4 --purchase "4242:e2e-key" > /dev/null

start_host() {
  : > "$work/host.log"
  "$host_program" serve "$work/catalog" --port 0 "$@" >> "$work/host.log" 2>&1 &
  host_pid=$!
  wait_for 20 grep -q "^Serving" "$work/host.log" || fail "the host did not start"
  base_url="$(sed -n 's/^Serving .* on \(http[^ ]*\).*/\1/p' "$work/host.log")"
}

stop_host() {
  kill "$host_pid" 2>/dev/null || true
  wait "$host_pid" 2>/dev/null || true
  host_pid=""
}

# run NAME [ARGS...]: parcel2 --unattended in the background; its pid in $run_pid.
start_run() {
  local name="$1"
  shift
  "$parcel2" --unattended -P 4242 -H "$base_url" --folder "$folder" "$@" > "$work/$name.out" 2> "$work/$name.err" &
  run_pid=$!
}

finish_run() {
  set +e
  wait "$run_pid"
  run_status=$?
  set -e
}

# Body requests the host saw for each part, as "001 002 ...": the whole
# part (200) or the rest of one that broke off (206).
parts_requested() { sed -n 's/.*getbody[^ ]* NO=4242 REQID=e2e\.bin\.\([0-9]*\) 20[06] .*/\1/p' "$work/host.log" | sort | tr '\n' ' '; }

expect_product() {
  [ -f "$folder/e2e.bin" ] || fail "no product in $folder"
  [ "$(md5sum < "$folder/e2e.bin")" = "$(md5sum < "$product")" ] || fail "the product does not match"
}

# A first run that stops while part 3 stalls (parts 1 and 2 verified) by the
# given signal; the host then comes back without the stall.
# One part at a time, so that part 4 waits behind the held part 3.
interrupt_during_part_three() {
  start_host --fault "stall:100000,endpoint=body,reqid=e2e.bin.003"
  start_run first -K e2e-key --connections 1
  wait_for 60 bash -c "[ \$(ls '$folder/DownloadTemp' 2>/dev/null | wc -l) -ge 3 ]" || fail "part 3 never started"
  # The progress line (every 5 s) counts the held part's 100000 bytes too.
  if [ -n "${expect_progress_line:-}" ]; then
    wait_for 30 grep -q "^Parts 2/4, 53%, 1.3 MB of 2.5 MB, [0-9.]* [KM]B/s" "$work/first.out" ||
      fail "no progress line in bytes"
  fi
  kill "-$1" "$run_pid"
  finish_run
  stop_host
}

# A second run that must finish the product fetching only the given parts.
resume_fetching() {
  start_host
  start_run second -K e2e-key
  finish_run
  [ "$run_status" -eq 0 ] || fail "second run: exit $run_status, expected 0"
  expect_product
  [ "$(parts_requested)" = "$1" ] || fail "second run requested: $(parts_requested)"
}

