#!/usr/bin/env bash
# The wizard's real windows on a real X server (Xvfb, Qt's xcb platform),
# driven by key presses (xdotool) as a customer accepting every default
# would: the purchase dialog (number, Tab, key, Enter), then Enter on each
# page to a verified product and Finish, while the host holds part 2 back:
# meanwhile the same link started again only brings the wizard forward, and
# another purchase is told the wizard is busy. Then once more, from a
# parcel-two:// link, with Escape on the acquisition page while the host
# holds the list back, the question answered with Enter (No), down to the
# end of the program. Last, a mistyped key: the host refuses it, the error
# page's Enter Purchase brings the dialog back with the number, and the
# right key goes on to the end. The host's holds are released by SIGUSR1.
# Scenarios:
# display-en, display-ja (the same in English and in Japanese). A picture of
# each page goes to BUILD/display-screenshots as LANG-PAGE.png, named as
# the README's pictures in docs/. Every wait polls with a deadline.
#   display.sh SCENARIO PARCEL2 PARCEL2_HOST
source "$(dirname "$0")/lib.sh"

case "$scenario" in
  display-en)
    lang=en
    export LANGUAGE=en_US
    purchase_name="QUILLMAR Software Download"
    question_name="Cancel Download"
    enter_purchase_key=alt+e
    save_folder="$HOME/QUILLMAR_Download"
    ;;
  display-ja)
    lang=ja
    export LANGUAGE=ja_JP
    purchase_name="QUILLMAR ソフトウェア・ダウンロード"
    question_name="ダウンロードの中止"
    enter_purchase_key=alt+p
    save_folder="$HOME/クイルマーダウンロード"
    ;;
  *) fail "unknown scenario" ;;
esac
# The frame has the purchase dialog's caption (and its boxes'): they are
# told apart by their window ids.
frame_name="$purchase_name"
export LANG=C.UTF-8 QT_QPA_PLATFORM=xcb
# One wizard per user is kept through a socket in the user's runtime
# folder: each run of this test is a user of its own.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset LC_ALL LC_MESSAGES QT_SCALE_FACTOR QT_FONT_DPI QT_STYLE_OVERRIDE
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(cd "$(dirname "$0")" && pwd)/display-lsan.supp"

shots="$(cd "$(dirname "$parcel2")/.." && pwd)/display-screenshots"
mkdir -p "$shots"
xvfb_pid=""
wizard_pid=""
# Runs on every exit, a failed one too: nothing may outlive the test (a
# process left holding its output would keep ctest waiting).
stop_display() {
  if [ -n "$wizard_pid" ]; then kill "$wizard_pid" 2> /dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2> /dev/null || true
    wait "$xvfb_pid" 2> /dev/null || true
  fi
  cleanup
}
trap stop_display EXIT

# Xvfb picks a free display itself and names it once it takes connections.
# Without -noreset it resets when its last client leaves, and the next
# wizard could knock while it does.
Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp -noreset 9> "$work/display.txt" > /dev/null 2> "$work/xvfb.err" &
xvfb_pid=$!
wait_for 20 test -s "$work/display.txt" || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display.txt")"

log_text() { cat "$XDG_CACHE_HOME"/QUILLMAR_DownloaderLog/Downloader*.log 2> /dev/null | iconv -c -f UTF-16LE -t UTF-8 2> /dev/null || true; }
# The frame logs every state it shows: "N", or "N-" when no page is in it.
# Only whole lines count (they end in CR LF): the log may be read while a
# line is being written.
states() { log_text | sed -n 's/.*TRACE  Wizard state \(-\?[0-9]*\)\( without a page\)\?\r$/\1\2/p' | sed 's/ without a page/-/'; }
last_state() { states | tail -n 1; }

# The pages that wait for the customer, and the download's page ($2 set),
# which is photographed on its way.
stops_at() {
  case "$1" in
    0 | 2 | 4 | 5 | 11 | 12 | 13 | 3[1-6] | 39) return 0 ;;
    3) [ -n "$2" ] ;;
    *) return 1 ;;
  esac
}
# True once a state after the first $1 states is a stop (its number in
# $page_state), or once the wizard has ended ($page_state empty).
next_stop() {
  local all last
  all="$(states)"
  last="$(tail -n 1 <<< "$all")"
  case "$last" in 21 | 22 | 42) fail "an error page (state $last)" ;; esac
  if [ "$(grep -c . <<< "$all")" -gt "$1" ] && stops_at "$last" "${2:-}"; then
    page_state="$last"
    return 0
  fi
  kill -0 "$wizard_pid" 2> /dev/null && return 1
  page_state=""
}

# The wizard's visible top-level window with this name, other than the
# window $2 when given.
window_named() {
  local w
  for w in $(xdotool search --onlyvisible --pid "$wizard_pid" 2> /dev/null); do
    [ "$w" = "${2:-}" ] && continue
    [ "$(xdotool getwindowname "$w" 2> /dev/null)" = "$1" ] && { echo "$w"; return 0; }
  done
  return 1
}
window_or_end() {
  kill -0 "$wizard_pid" 2> /dev/null || fail "the wizard ended while \"$1\" was awaited"
  window_named "$@" > /dev/null
}
wait_window() {
  wait_for 20 window_or_end "$@" || fail "no window \"$1\""
  window_named "$@"
}
# Keys as a customer types them, into the window given the input focus.
press() {
  local window="$1"
  shift
  timeout 10 xdotool windowfocus --sync "$window" || fail "cannot focus window $window"
  xdotool "$@"
}

# A picture of the window once it shows something new and holds still (a
# page paints after its state is logged); one that keeps moving (the
# download's progress) is taken once it differs from the picture before.
last_shot="$work/last.ppm"
: > "$last_shot"
shoot() {
  local window="$1" name="$2" moving="${3:-}" a="$work/a.ppm" b="$work/b.ppm" deadline=$((SECONDS + 5))
  import -window "$window" "ppm:$a" 2> /dev/null || fail "no picture of $name"
  while :; do
    import -window "$window" "ppm:$b" 2> /dev/null || fail "no picture of $name"
    if ! cmp -s "$b" "$last_shot" && { [ -n "$moving" ] || cmp -s "$a" "$b"; }; then break; fi
    [ "$SECONDS" -ge "$deadline" ] && break
    mv "$b" "$a"
  done
  cp "$b" "$last_shot"
  convert "$b" -strip "$shots/$lang-$name.png"
}

# start_wizard NAME ARGS...
start_wizard() {
  local name="$1"
  shift
  "$parcel2" -L "$@" > "$work/$name.out" 2> "$work/$name.err" &
  wizard_pid=$!
}

# The purchase as a customer types it into its dialog: number, Tab, key
# ($2, else the right one), Enter; photographed when $1 says so. The
# frame's window in $frame.
enter_purchase() {
  local dialog
  dialog="$(wait_window "$purchase_name")"
  press "$dialog" type --delay 10 4242
  press "$dialog" key Tab
  press "$dialog" type --delay 10 "${2:-e2e-key}"
  [ -n "${1:-}" ] && shoot "$dialog" purchase
  press "$dialog" key Return
  frame="$(wait_window "$frame_name" "$dialog")"
}

# Bytes the parts on disk hold (the product being put together is hidden).
received_bytes() {
  find "$save_folder/DownloadTemp" -maxdepth 1 -type f ! -name '.*' -printf '%s\n' 2> /dev/null | awk '{s += $1} END {print s + 0}'
}
# Releases the host's holds until the condition holds: a release that
# comes before the hold has begun is lost, so it is sent again.
release_until() {
  local deadline=$((SECONDS + 30))
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && fail "the host's hold was never released"
    kill -USR1 "$host_pid"
    sleep 0.1
  done
}

# While part 2 is held after 300000 of its 655360 bytes: the page shows
# the bytes; a second start of the same link ends at once with the wizard
# brought forward (one wizard, one download), one with another purchase is
# told the wizard is busy. Then the hold goes.
while_downloading() {
  local box
  wait_for 30 eval '[ "$(received_bytes)" -ge $((655360 + 300000)) ]' || fail "part 2 never came to its hold"
  # Twice: the second picture waits for the display's next tick, which
  # shows the bytes that came before the hold.
  shoot "$frame" downloading moving
  shoot "$frame" downloading moving
  timeout 20 "$parcel2" "parcel-two://purchase?no=4242&key=e2e%2Dkey&host=$base_url" > "$work/again.out" 2>&1 ||
    fail "the second start ended with $?"
  wait_for 20 eval 'log_text | grep -q "A second start handed over 1 arguments"' || fail "the wizard was not handed the link"
  timeout 20 "$parcel2" -P 4243 -K other -H "$base_url" > "$work/other.out" 2>&1 || fail "the third start ended with $?"
  box="$(wait_window "$frame_name" "$frame")"
  shoot "$box" box-already-running
  press "$box" key Return
  wait_for 20 eval '! window_named "$frame_name" "$frame" > /dev/null' || fail "the box stayed"
  [ "$(last_state)" = 3 ] || fail "the second starts moved the wizard to state $(last_state)"
  release_until eval '[ "$(received_bytes)" -gt $((655360 + 300000)) ] || [ "$(last_state)" != 3 ]'
}

declare -A page_names=([0]=welcome [2]=confirm-software [3]=downloading [4]=download-complete [5]=select-folder
                       [11]=install [12]=confirm-folder [13]=select-drive)

# Enter on every page from the first state after the first $1 on, until the
# wizard ends by itself, with 0; each page photographed when $2 says so.
accept_every_default() {
  local seen="$1" pictures="${2:-}" status
  while :; do
    wait_for 30 next_stop "$seen" "$pictures" || fail "no page came (states: $(states | tr '\n' ' '))"
    [ -z "$page_state" ] && break
    seen="$(states | grep -c .)"
    if [ "$page_state" = 3 ]; then
      while_downloading
      continue
    fi
    [ -n "$pictures" ] && shoot "$frame" "${page_names[$page_state]:-state-$page_state}"
    press "$frame" key Return
  done
  set +e
  wait "$wizard_pid"
  status=$?
  set -e
  wizard_pid=""
  [ "$status" -eq 0 ] || fail "the wizard ended with $status"
  [ "$(md5sum < "$save_folder/e2e.bin")" = "$(md5sum < "$product")" ] || fail "no verified product in $save_folder"
}

# 1. From the menu, without a purchase on the command line. The host holds
# part 2 back, so the download's page is photographed while it waits and
# the second starts come while a download runs; one part at a time, so the
# parts after it wait too.
start_host --fault "stall:300000,endpoint=body,reqid=e2e.bin.002"
start_wizard first -H "$base_url" --connections 1
enter_purchase pictures
accept_every_default 0 pictures
[ "$(grep -c getlist "$work/host.log")" = 1 ] || fail "the list was asked for more than once"
[ "$(parts_requested)" = "001 002 003 004 " ] || fail "parts requested: $(parts_requested)"
stop_host

# 2. Started from a store's link this time (loopback: no question), Escape
# while the host holds the list back: the question's default (No) keeps the
# wizard going to its end. A fresh list file, so that the host is asked
# again; the product found in the folder is taken as it is.
export XDG_CACHE_HOME="$work/cache-again"
start_host --fault stall:0,endpoint=list
start_wizard second "parcel-two://purchase?no=4242&key=e2e%2Dkey&host=$base_url"
frame="$(wait_window "$frame_name")"
wait_for 30 next_stop 0 || fail "no welcome page"
press "$frame" key Return
wait_for 30 eval '[ "$(last_state)" = 8 ]' || fail "no acquisition page (states: $(states | tr '\n' ' '))"
shoot "$frame" acquire-info
press "$frame" key Escape
question="$(wait_window "$question_name")"
[ "$(last_state)" = 8 ] || fail "the question came in state $(last_state), not on the acquisition page"
if grep -q getlist "$work/host.log"; then fail "the list came before the question"; fi
shoot "$question" box-cancel
press "$question" key Return
seen="$(states | grep -c .)"
release_until grep -q getlist "$work/host.log"
accept_every_default "$seen"
if grep -q "GetDownloadList Cancel" <<< "$(log_text)"; then fail "No to the question cancelled the acquisition"; fi
stop_host

# 3. A mistyped key: the host's refusal shows on the connection error page,
# whose Enter Purchase brings the dialog back with the number in it; the
# right key goes on to the end (the product is found in its folder).
export XDG_CACHE_HOME="$work/cache-third"
start_host
start_wizard third -H "$base_url"
enter_purchase "" wrong-key
wait_for 30 next_stop 0 || fail "no welcome page"
press "$frame" key Return
wait_for 30 eval '[ "$(last_state)" = 22 ]' || fail "no connection error page (states: $(states | tr '\n' ' '))"
shoot "$frame" connect-error-enter-purchase
press "$frame" key "$enter_purchase_key"
dialog="$(wait_window "$purchase_name" "$frame")"
shoot "$dialog" purchase-again
press "$dialog" type --delay 10 e2e-key
seen="$(states | grep -c .)"
press "$dialog" key Return
wait_for 30 eval '[ "$(last_state)" != 22 ]' || fail "the new purchase was not tried"
accept_every_default "$seen"
grep -q "NO=4242 REQID=.* 200 " "$work/host.log" || fail "the right key was never sent"
echo "PASS ($scenario)"
