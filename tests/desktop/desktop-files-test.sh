#!/usr/bin/env bash
# desktop-files-test.sh mime SOURCE OUT: the MIME package as xdg-mime installs it.
# desktop-files-test.sh thumbnailers SOURCE OUT GDK_PIXBUF_THUMBNAILER VRNCONV_DIR: both thumbnailers.
set -euo pipefail
mode=$1 src=$2 out=$3
rm -rf "$out" && mkdir -p "$out"
fail() { echo "FAIL: $*" >&2; exit 1; }

if [ "$mode" = mime ]; then
  # xdg-mime asks gio on GNOME; elsewhere it may ask file(1), which knows no .vrn.
  export XDG_DATA_HOME=$out/data XDG_DATA_DIRS=/usr/share HOME=$out XDG_CURRENT_DESKTOP=GNOME
  xdg-mime install --mode user "$src/desktop/mime/vorn-mime.xml"
  printf 'no signature' > "$out/oldest.VRN"
  printf 'Vorn1:7 is no version' > "$out/colon.dat"
  cp "$src/examples/landscape.vrn" "$out/landscape.dat"   # "VornX200"
  cp "$src/examples/bounce.vrn" "$out/bounce.bin"         # "Vorn107"
  for f in oldest.VRN landscape.dat bounce.bin colon.dat; do
    type=$(xdg-mime query filetype "$out/$f")
    [ "$type" = image/x-vornpix ] || [ $f = colon.dat ] || fail "$f: $type"
    [ "$type" != image/x-vornpix ] || [ $f != colon.dat ] || fail "$f: $type"
  done
  exit 0
fi

png_within_128() {
  [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$1 is not a PNG"
  read -r w h < <(od -An -tu4 --endian=big -j16 -N8 "$1")
  [ "$w" -le 128 ] && [ "$h" -le 128 ] && [ $((w > h ? w : h)) -gt 0 ] || fail "$1: $w x $h"
}
# A sanitized loader in the unsanitized thumbnailer: the runtime preloaded, no leak check.
XDG_DATA_DIRS=$VORN_PIXBUF_MIME_DIR:/usr/share \
  env ${VORN_PIXBUF_PRELOAD:+LD_PRELOAD=$VORN_PIXBUF_PRELOAD ASAN_OPTIONS=detect_leaks=0} \
  "$4" -s 128 "$src/examples/landscape.vrn" "$out/gdk.png"
png_within_128 "$out/gdk.png"
# The entry's command as a file manager fills it in.
entry=$(sed -n 's/^Exec=//p' "$src/desktop/thumbnailer/vorn.thumbnailer")
entry=${entry//%s/128} entry=${entry//%o/$out/entry.png} entry=${entry//%i/$src/examples/landscape.vrn}
PATH=$5:$PATH
command -v "$(sed -n 's/^TryExec=//p' "$src/desktop/thumbnailer/vorn.thumbnailer")" >/dev/null || fail "no TryExec"
$entry
png_within_128 "$out/entry.png"
