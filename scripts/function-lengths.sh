#!/usr/bin/env bash
# Lists the functions defined in the C++ files under the folders (or files) given, longest
# first: lines from the one that names the function to its closing brace, then file:line and
# the name. A lambda counts in the function that holds it.
#   scripts/function-lengths.sh [--max N] [--exclude FOLDER]... FOLDER|FILE...
# --max N lists only the functions longer than N lines and exits 1 when there is one.
# --exclude leaves a folder out (any number of times). Needs universal-ctags.
#   e.g. scripts/function-lengths.sh --max 60 --exclude platform/mci/engine platform/mci
set -euo pipefail
cd "$(dirname "$0")/.."
max=0
excludes=()
paths=()
while [ $# -gt 0 ]; do
  case "$1" in
    --max) max=$2; shift 2 ;;
    --exclude) excludes+=("--exclude=${2%/}"); shift 2 ;;
    -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
    *) paths+=("$1"); shift ;;
  esac
done
[ ${#paths[@]} -gt 0 ] || { echo "usage: $0 [--max N] [--exclude FOLDER]... FOLDER|FILE..." >&2; exit 2; }
command -v ctags >/dev/null || { echo "$0: needs universal-ctags (scripts/install-deps.sh)" >&2; exit 2; }

# One tag a definition with a body: kind f, its first and last line, its class or namespace.
listing=$(ctags -R --languages=C++ --langmap=C++:+.h --c++-kinds=f --fields=+neK \
    --extras=-{anonymous} "${excludes[@]}" -f - "${paths[@]}" |
  awk -F'\t' -v max="$max" '
    $1 ~ /^__anon/ { next }
    {
      line = ""; end = ""; scope = ""
      for (i = 4; i <= NF; i++) {
        if ($i ~ /^line:/) line = substr($i, 6)
        else if ($i ~ /^end:/) end = substr($i, 5)
        else if ($i ~ /^(class|struct):/) { scope = $i; sub(/^[a-z]+:/, "", scope); sub(/.*::/, "", scope) }
      }
      if (line == "" || end == "") next
      n = end - line + 1
      if (n > max) printf "%5d  %s:%s  %s%s\n", n, $2, line, scope == "" ? "" : scope "::", $1
    }' | sort -k1,1nr -k2,2)

if [ "$max" -gt 0 ]; then
  if [ -n "$listing" ]; then
    echo "functions over $max lines:"
    echo "$listing"
    exit 1
  fi
  echo "no function over $max lines"
else
  echo "$listing"
fi
