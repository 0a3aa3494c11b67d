#!/usr/bin/env bash
# Fails when a source file includes a folder above its own layer.
#   check_layers.sh ROOT          check the tree at ROOT (src/, apps/, tools/)
#   check_layers.sh --self-test   check that a planted upward include is caught
# Layers, lowest first: platform; parameters; engine; filters, modulation, presets, midi (siblings
# that do not include each other); product; host and apps. The toolkit gui stands on platform
# alone; editor on gui and product.
set -u

declare -A allowed=(
  [platform]=""
  [parameters]="platform"
  [engine]="parameters platform"
  [filters]="engine parameters platform"
  [modulation]="engine parameters platform"
  [presets]="engine parameters platform"
  [midi]="engine parameters platform"
  [product]="filters modulation presets midi engine parameters platform"
  [gui]="platform"
  [editor]="gui product filters modulation presets midi engine parameters platform"
  [host]="editor gui product filters modulation presets midi engine parameters platform"
  [apps]="host editor gui product filters modulation presets midi engine parameters platform"
  [tools]="host editor gui product filters modulation presets midi engine parameters platform"
)

# The layer a file belongs to, from its path relative to the root.
layer_of() {
  case $1 in
    src/*) local rest=${1#src/}; echo "${rest%%/*}" ;;
    apps/*) echo apps ;;
    tools/*) echo tools ;;
  esac
}

check() {
  local root=$1 bad=0 file layer line inc target
  cd "$root" || { echo "no such tree: $root"; return 2; }
  while IFS= read -r file; do
    layer=$(layer_of "$file")
    [ -n "$layer" ] || continue
    if [ -z "${allowed[$layer]+set}" ]; then
      echo "$file: folder '$layer' has no place in the layers"; bad=1; continue
    fi
    while IFS= read -r line; do
      inc=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"$line")
      [[ $inc == */* ]] || continue
      target=${inc%%/*}
      [ "$target" = "$layer" ] && continue
      [ -n "${allowed[$target]+set}" ] || continue  # not one of our folders (generated headers)
      if [[ " ${allowed[$layer]} " != *" $target "* ]]; then
        echo "$file includes \"$inc\": $layer may not use $target"; bad=1
      fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
  done < <(find src apps tools -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.cc' \) 2>/dev/null | sort)
  return $bad
}

if [ "${1:-}" = "--self-test" ]; then
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  mkdir -p "$scratch/src/filters" "$scratch/src/product" "$scratch/src/modulation"
  printf '#include "engine/wave/Buffer.h"\n' > "$scratch/src/filters/Fine.h"
  ( check "$scratch" >/dev/null ) || { echo "a downward include was refused"; exit 1; }
  printf '#include "product/KestrumPlugin.h"\n' > "$scratch/src/filters/Up.h"
  ( check "$scratch" >/dev/null ) && { echo "an upward include was not caught"; exit 1; }
  rm "$scratch/src/filters/Up.h"
  printf '#include "filters/Fine.h"\n' > "$scratch/src/modulation/Sibling.cpp"
  ( check "$scratch" >/dev/null ) && { echo "an include between siblings was not caught"; exit 1; }
  echo "self-test passed"
  exit 0
fi

check "${1:-.}"
