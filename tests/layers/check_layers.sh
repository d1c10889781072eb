#!/usr/bin/env bash
# Fails when a file of the toolkit includes a header of a higher layer, or
# anything of the program above the toolkit.
#
# Layers, low to high: base and text, paint, graphics, the platform
# interface, components, forms, reader. A back end (toolkit/platform/<name>/)
# sees base, text, paint, the platform interface and its own folder. Nothing
# in the toolkit includes app/, quest/ or tests/.
set -u
cd "${1:-$(dirname "$0")/../..}" || exit 2

level() {
  case "$1" in
    base | text) echo 0 ;;
    paint) echo 1 ;;
    graphics) echo 2 ;;
    platform) echo 3 ;;
    components) echo 4 ;;
    forms) echo 5 ;;
    reader) echo 6 ;;
    *) echo 99 ;;
  esac
}

failures=0
while IFS= read -r file; do
  rel=${file#toolkit/}
  layer=${rel%%/*}
  backend=""
  if [[ $rel == platform/*/* ]]; then
    backend=${rel#platform/}
    backend=${backend%%/*}
  fi
  while IFS= read -r line; do
    target=${line#*\"}
    target=${target%\"*}
    bad=""
    case "$target" in
      toolkit/platform/*/*)
        other=${target#toolkit/platform/}
        other=${other%%/*}
        [[ $other == "$backend" ]] || bad="a back end"
        ;;
      toolkit/*)
        to=${target#toolkit/}
        to=${to%%/*}
        if [[ -n $backend ]]; then
          [[ $(level "$to") -le 3 && $to != graphics ]] || bad="a layer a back end does not see"
        elif [[ $(level "$to") -gt $(level "$layer") ]]; then
          bad="a higher layer"
        fi
        ;;
      app/* | quest/* | tests/*) bad="the program above the toolkit" ;;
    esac
    if [[ -n $bad ]]; then
      echo "$file includes $target: $bad"
      failures=$((failures + 1))
    fi
  done < <(grep -E '^\s*#\s*include\s+"' "$file")
done < <(find toolkit -name '*.h' -o -name '*.cpp' | sort)

if ((failures > 0)); then
  echo "$failures include(s) point up the toolkit's layers"
  exit 1
fi
echo "every include points down"
