#!/usr/bin/env bash
# Opens a bundled example in the GNOME image viewer (eog) through the
# gdk-pixbuf loader on a virtual X screen and keeps a screenshot of it in
# docs/desktop-eog.png. Not part of `make test`.
#
#   tools/desktop-screenshot.sh [BUILD_DIR] [EXAMPLE]   (default: build, landscape.vrn)
#
# Installs eog (and the X tools) when they are missing, builds the loader in
# BUILD_DIR (configuring a Release build there if there is none), and points
# gdk-pixbuf at it through a loader cache and a MIME database in a temporary
# folder: nothing is installed into the system's gdk-pixbuf or MIME folders.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
example=$root/examples/${2:-landscape.vrn}
shot=$root/docs/desktop-eog.png

pkgs=(eog xvfb xauth imagemagick xdotool dbus-bin libgdk-pixbuf-2.0-dev libgdk-pixbuf2.0-bin shared-mime-info)
missing=()
for p in "${pkgs[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" != 0 ] && SUDO=sudo
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

[ -f "$build/CMakeCache.txt" ] ||
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target pixbufloader-vorn >/dev/null
module=$build/desktop/gdk-pixbuf/libpixbufloader-vorn.so
[ -f "$module" ] || { echo "desktop-screenshot: $module was not built" >&2; exit 1; }

# eog hangs at its start with the AddressSanitizer runtime preloaded, which
# a sanitized module would need.
if ldd "$module" | grep -q libasan; then
  echo "desktop-screenshot: $build is a sanitized build; use one without VORN_SANITIZE" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The system's loaders (eog's icons need them) and ours; the .vrn MIME type.
query=$(pkg-config --variable=gdk_pixbuf_query_loaders gdk-pixbuf-2.0)
moduledir=$(pkg-config --variable=gdk_pixbuf_moduledir gdk-pixbuf-2.0)
"$query" "$moduledir"/*.so "$module" > "$work/loaders.cache"
mkdir -p "$work/share/mime/packages"
cp "$root/desktop/mime/vorn-mime.xml" "$work/share/mime/packages/"
XDG_DATA_DIRS=$work/share update-mime-database "$work/share/mime" >/dev/null

cat > "$work/show.sh" <<'EOF'
set -euo pipefail
eog --new-instance --disable-gallery "$EXAMPLE" 2>"$WORK/eog.log" &
eog=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name "$(basename "$EXAMPLE")" | head -1)
xdotool windowsize "$window" 560 420 windowmove "$window" 40 30
sleep 1
xdotool windowfocus --sync "$window" 2>/dev/null || true
for _ in 1 2; do xdotool key ctrl+plus; sleep 0.5; done  # zoom in twice
sleep 2
import -window root -crop 640x480+0+0 "$SHOT"
kill "$eog"
wait "$eog" 2>/dev/null || true
EOF
mkdir -p "$(dirname "$shot")"
env GDK_PIXBUF_MODULE_FILE="$work/loaders.cache" XDG_DATA_DIRS="$work/share:/usr/share" \
  GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 EXAMPLE="$example" SHOT="$shot" WORK="$work" \
  xvfb-run -a -s "-screen 0 640x480x24" dbus-run-session -- bash "$work/show.sh"
echo "desktop-screenshot: $shot ($(eog --version))"
