#!/usr/bin/env bash
# The library as an outside program sees it: installs the build into a
# temporary prefix, builds examples/vorn_frames.c against it with pkg-config
# and with CMake's find_package(Vorn), runs it on every bundled example and
# has vorn_installed_check compare what it wrote with the plug-in's pictures.
# usage: installed-library-test.sh SOURCE_DIR BUILD_DIR CHECKER PLUGIN_LIBRARY WORK_DIR
# VORN_EXAMPLE_CFLAGS: flags the program needs to link a sanitizer build.
set -euo pipefail
flags=${VORN_EXAMPLE_CFLAGS:-}
src=$1 build=$2 checker=$3 plugin=$4 work=$5
rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name vorn.pc | head -n 1)")/..
export PKG_CONFIG_PATH=$libdir/pkgconfig
cc -std=c99 -Wall -Wextra -Werror $flags "$src/examples/vorn_frames.c" $(pkg-config --cflags --libs vorn) \
  -o "$work/vorn_frames"
cmake -S "$src/examples" -B "$work/cmake-example" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$work/cmake-example" >/dev/null
export LD_LIBRARY_PATH=$libdir
for program in "$work/vorn_frames" "$work/cmake-example/vorn_frames"; do
  # The program links the installed library, not the build tree's.
  # (ldd's whole output first: grep -q stopping early would fail the pipe.)
  libraries=$(ldd "$program")
  grep -q "$prefix" <<<"$libraries" || { echo "FAILED $program does not use $prefix"; exit 1; }
done
for f in "$src"/examples/*.vrn; do
  name=$(basename "$f")
  code=0
  case $name in scrambled*) code=4242 ;; esac
  mkdir -p "$work/dump/$name"
  "$work/vorn_frames" "$f" "$work/dump/$name" "$code" > "$work/dump/$name/frames.txt"
done
"$checker" "$plugin" "$work/dump" "$src/examples"
