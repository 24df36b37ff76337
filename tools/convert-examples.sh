#!/usr/bin/env bash
# The main job on the bundled examples: every examples/*.vrn converted to PNG
# by the native converter (first frame, tiled sheet, animated WebP, --info).
# usage: tools/convert-examples.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=${1:-build}
out=${2:-out}
here=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out"
# Examples are read with their own identification code where they need one.
code_for() { case "$(basename "$1")" in scrambled*) echo 4242 ;; *) echo 0 ;; esac; }
for f in "$here"/examples/*.vrn; do
  name=$(basename "$f" .vrn)
  code=$(code_for "$f")
  "$build/vrnconv" --pass-code "$code" --info -o "$out/$name.png" "$f"
  "$build/vrnconv" --pass-code "$code" --sheet --screen 1024x768 -o "$out/$name.sheet.png" "$f"
  "$build/vrnconv" --pass-code "$code" -o "$out/$name.webp" "$f"
  echo "  -> $out/$name.png, $out/$name.sheet.png, $out/$name.webp"
done
