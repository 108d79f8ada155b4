#!/usr/bin/env bash
# Prints which folder of src/ includes which (with the number of includes)
# and fails when the folders include each other in a circle, or when a
# folder includes one above it in the order of the layers below.
#
#   scripts/layers.sh            the graph, then "ok" or what is wrong
set -euo pipefail
src=$(cd "$(dirname "$0")/../src" && pwd)

# From the bottom up; a folder may include itself and those before it.
layers=(text data invoice codelists document ui windows app)

declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

edges=$(cd "$src" && grep -rHoE '^#include "[A-Za-z_]+/' --include='*.cpp' --include='*.h' . |
  sed -E 's#^\./([^/]+)/.*:\#include "([^/]+)/$#\1 \2#' | sort | uniq -c)

status=0
echo "folder -> folder (includes)"
while read -r count from to; do
  [ "$from" = "$to" ] && continue
  echo "  $from -> $to ($count)"
done <<<"$edges"

# tsort reports a circle among the edges (a folder including itself is no edge).
if ! awk '$2 != $3 {print $2, $3}' <<<"$edges" | tsort >/dev/null 2>/tmp/layers.$$; then
  echo "circle:" && sed 's/^/  /' /tmp/layers.$$
  status=1
fi
rm -f /tmp/layers.$$

while read -r count from to; do
  [ "$from" = "$to" ] && continue
  if [ -z "${rank[$from]+x}" ] || [ -z "${rank[$to]+x}" ]; then
    echo "not a layer: $from -> $to (add the folder to scripts/layers.sh and src/README.md)"
    status=1
  elif [ "${rank[$to]}" -gt "${rank[$from]}" ]; then
    echo "upward: $from includes $to ($count):"
    (cd "$src" && grep -rlE "^#include \"$to/" "$from" | sed 's/^/  /')
    status=1
  fi
done <<<"$edges"

# The engine's libraries stay inside it: nothing above src/data includes
# SQLite's or libpq's header, so their types never leak into the rules.
engine=$(cd "$src" && grep -rlE '^#include <(sqlite3|libpq-fe)\.h>' --include='*.cpp' \
  --include='*.h' . | grep -v '^\./data/' || true)
if [ -n "$engine" ]; then
  echo "engine header outside data:"
  sed 's#^\./#  #' <<<"$engine"
  status=1
fi

[ $status -eq 0 ] && echo ok
exit $status
