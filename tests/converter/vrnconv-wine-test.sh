#!/usr/bin/env bash
# vrnconv.exe under Wine: one file converted to a named PNG, then every
# bundled example in one batch into a folder (two program starts: each
# costs about a minute where 32-bit Wine is emulated).
# usage: vrnconv-wine-test.sh WINE_RUN VRNCONV_EXE EXAMPLES_DIR WORK_DIR
set -uo pipefail
run=$1 exe=$2 examples=$3 work=$4
rm -rf "$work"
mkdir -p "$work"
status=0
is_png() { [ "$(head -c 8 "$1" 2>/dev/null | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]; }

"$run" "$exe" --pass-code 4242 -o "$work/scrambled.png" "$examples/scrambled.vrn"
[ $? -eq 0 ] && is_png "$work/scrambled.png" || { echo "FAILED one conversion"; status=1; }

# A batch with one file that is not a .vrn: the others are converted, exit 1.
printf 'not a picture' > "$work/bad.vrn"
"$run" "$exe" -o "$work/batch/" "$examples"/*.vrn "$work/bad.vrn" 2> "$work/batch.err"
code=$?
cat "$work/batch.err"
[ $code -eq 1 ] || { echo "FAILED the batch exited $code, not 1"; status=1; }
for f in "$examples"/*.vrn; do
  name=$(basename "$f" .vrn)
  is_png "$work/batch/$name.png" || { echo "FAILED no $name.png from the batch"; status=1; }
done
grep -q "bad.vrn: not a .vrn file" "$work/batch.err" || { echo "FAILED no message for bad.vrn"; status=1; }
[ $status -eq 0 ] && echo "vrnconv under Wine: one conversion and a batch of $(ls "$examples"/*.vrn | wc -l) + 1 files"
exit $status
