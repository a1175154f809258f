#!/usr/bin/env bash
# The download wizard's job done with the standard tools, for the end-to-end
# benchmark to time as one process: the download list once, every part it
# names with its own curl POST, md5sum of the parts against the list, cat to
# join them, md5sum of the product, the parts removed.
#   standard-tools.sh HOST_URL PURCHASE_NO KEY FOLDER [FILES_URL]
# With FILES_URL the parts are fetched by one aria2c instead, eight at a
# time, each by a GET of FILES_URL/PART_FILE (a host that serves the part
# files as they are, since aria2c sends no POST body).
# Prints the seconds each step took on stderr ("step list 0.01 ...").
set -euo pipefail

url="$1"
number="$2"
key="$3"
folder="$4"
files_url="${5:-}"
mkdir -p "$folder/parts"
cd "$folder"

# Microseconds from bash itself, so the timing starts no process.
step_start="${EPOCHREALTIME/./}"
steps="step"
step() {
  local now="${EPOCHREALTIME/./}" cs
  cs=$(((now - step_start + 5000) / 10000))
  steps="$steps $1 $((cs / 100)).$(printf '%02d' $((cs % 100)))"
  step_start="$now"
}

curl -s -S -f --noproxy '*' -o list.lst --data-binary "NO=$number&KEY=$key" "$url/http/cgi-bin/getlist_u8.pl"
# DL,0 is the product, DL,1 onwards its parts in joining order.
awk -F, '$1 == "DL" && $2 != 0 { print $4 "  parts/" $3 }' list.lst >parts.md5
awk -F, '$1 == "DL" && $2 == 0 { print $4 "  " $3 }' list.lst >product.md5
product="$(awk '{ print $2 }' product.md5)"
mapfile -t parts < <(awk '{ print $2 }' parts.md5)
step list

if [ -n "$files_url" ]; then
  for part in "${parts[@]}"; do printf '%s/%s\n  out=%s\n' "$files_url" "${part#parts/}" "${part#parts/}"; done >parts.aria2
  aria2c --no-conf -q -d parts -i parts.aria2 -j 8 -x 8 -s 8 --file-allocation=none --allow-overwrite=true \
    --auto-file-renaming=false --all-proxy=''
else
  for part in "${parts[@]}"; do
    curl -s -S -f --noproxy '*' -o "$part" --data-binary "NO=$number&KEY=$key&REQID=${part#parts/}" \
      "$url/http/cgi-bin/getbody_u8.pl"
  done
fi
step download

md5sum -c --quiet parts.md5
step parts-md5

cat "${parts[@]}" >"$product"
step join

md5sum -c --quiet product.md5
step product-md5

rm -r parts
step remove
echo "$steps" >&2
