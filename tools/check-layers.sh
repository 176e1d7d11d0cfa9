#!/usr/bin/env bash
# Fails when a file of src/ includes a header from a layer above its own. The layers, from
# the bottom up (each may include its own and those below it):
LAYERS=(platform util script pack probe install launcher app)
#   tools/check-layers.sh [SRC_DIR]
set -euo pipefail
src=${1:-"$(dirname "$0")/../src"}
index_of() {
  local i
  for i in "${!LAYERS[@]}"; do
    [ "${LAYERS[$i]}" = "$1" ] && { echo "$i"; return; }
  done
  echo -1
}
bad=0 files=0 arrows=0
while IFS= read -r file; do
  files=$((files + 1))
  rel=${file#"$src"/}
  layer=${rel%%/*}
  own=$(index_of "$layer")
  if [ "$own" -lt 0 ]; then
    echo "$rel: folder '$layer' is in no layer" >&2
    bad=$((bad + 1))
    continue
  fi
  while IFS= read -r target; do
    arrows=$((arrows + 1))
    to=$(index_of "${target%%/*}")
    if [ "$to" -lt 0 ] || [ "$to" -gt "$own" ]; then
      echo "$rel includes \"$target\": ${target%%/*} is not below $layer" >&2
      bad=$((bad + 1))
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find "$src" -name '*.h' -o -name '*.cpp' | sort)
echo "layers: $files files, $arrows includes, $bad upward"
[ "$bad" -eq 0 ]
