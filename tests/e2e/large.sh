#!/usr/bin/env bash
# A product past 4 GiB in two parts past 2 GiB each: listed, downloaded,
# joined and verified with its true sizes. The product is a sparse file
# with a marker at every MiB, so its bytes differ at every MiB and yet it
# publishes in seconds; the catalog's parts stay sparse too.
#   large.sh large PARCEL2 PARCEL2_HOST
source "$(dirname "$0")/lib.sh"

mib=$((1024 * 1024))
large_size=$((4 * 1024 * mib + 4 * mib))
large="$work/large.bin"

make_sparse_product() {
  truncate -s "$large_size" "$large"
  local i
  for ((i = 0; i < large_size / mib; i++)); do
    printf 'MiB %08d' "$i" | dd of="$large" bs=12 seek="$((i * mib))" oflag=seek_bytes conv=notrunc status=none
  done
}

case "$scenario" in
  large)
    make_sparse_product
    publish --catalog "$work/catalog" --product "$large" --name "Large" --en-name "Large" \
      --number 9 --file-name large.bin --parts 2 --purchase "5151:large-key" > "$work/publish.out" \
      || fail "publishing failed"
    grep -q ": $large_size bytes in 2 parts" "$work/publish.out" || fail "published: $(cat "$work/publish.out")"
    start_host
    "$parcel2" --unattended -P 5151 -K large-key -H "$base_url" --folder "$folder" > "$work/large.out" 2> "$work/large.err" &
    run_pid=$!
    # The process's peak resident memory, as long as it runs.
    peak=0
    while kill -0 "$run_pid" 2>/dev/null; do
      now="$(awk '/^VmHWM:/ { print $2 }' "/proc/$run_pid/status" 2>/dev/null || true)"
      [ -n "$now" ] && [ "$now" -gt "$peak" ] && peak="$now"
      sleep 0.5
    done
    finish_run
    [ "$run_status" -eq 0 ] || fail "exit $run_status, expected 0"
    grep -q "^Product: Large (4.00 GB)" "$work/large.out" || fail "the product's size is not shown as 4.00 GB"
    [ "$(stat -c %s "$folder/large.bin")" -eq "$large_size" ] || fail "the product has $(stat -c %s "$folder/large.bin") bytes"
    [ "$(md5sum < "$folder/large.bin")" = "$(md5sum < "$large")" ] || fail "the product does not match"
    # Memory stays flat: the bytes are streamed, never held.
    [ "$peak" -gt 0 ] && [ "$peak" -lt $((1024 * 1024)) ] || fail "peak memory $peak KiB"
    ;;

  *) fail "unknown scenario" ;;
esac
echo "PASS ($scenario)"
