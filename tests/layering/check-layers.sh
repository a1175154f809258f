#!/usr/bin/env bash
# The rooms of src/ include one way: each may include only rooms to its
# right in LAYERS (and itself). A room missing from LAYERS fails too.
set -euo pipefail
src="${1:-$(dirname "$0")/../../src}"
LAYERS=(app pages wizard install transfer list log res platform)

rank() {
  local i
  for i in "${!LAYERS[@]}"; do [ "${LAYERS[$i]}" = "$1" ] && { echo "$i"; return; }; done
  echo -1
}

status=0
while IFS= read -r line; do
  file="${line%%:*}"
  rel="${file#"$src"/}"
  from="${rel%%/*}"
  [ "$from" = "$rel" ] && continue  # main.cpp sits above every room
  to="$(sed -E 's/^[^:]*:[0-9]+:#include "([^/]+)\/.*/\1/' <<<"$line")"
  [ "$from" = "$to" ] && continue
  rf="$(rank "$from")"; rt="$(rank "$to")"
  if [ "$rf" -lt 0 ] || [ "$rt" -lt 0 ] || [ "$rt" -le "$rf" ]; then
    echo "layering: $rel includes $to/ (rooms include only those after them: ${LAYERS[*]})" >&2
    status=1
  fi
done < <(grep -rnE '^#include "[A-Za-z0-9_]+/' "$src" --include='*.h' --include='*.cpp')
exit $status
