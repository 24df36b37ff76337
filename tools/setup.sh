#!/usr/bin/env bash
# Installs everything the native build, the Windows cross builds and their
# Wine tests need on a fresh Debian bookworm machine, and builds the static
# MinGW libjpeg-turbo, libpng, libwebp, libdeflate and winpthreads from Debian's source packages.
# Safe to run repeatedly: each step checks whether its result is already there.
set -euo pipefail

DEPS_PREFIX=${VORN_DEPS_PREFIX:-/opt/vorn-deps}
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi

# What the library and the converter need to build natively (tools/setup.sh
# --native installs only these), then what the tests, the Windows builds
# and their Wine runs need besides.
build_pkgs=(build-essential cmake ninja-build pkg-config zlib1g-dev libjpeg62-turbo-dev
            libpng-dev libwebp-dev libdeflate-dev)
native_pkgs=("${build_pkgs[@]}" libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-dev python3)
# The Qt image plug-in (desktop/qt) and its test.
native_pkgs+=(qt6-base-dev)
# The gdk-pixbuf loader (desktop/gdk-pixbuf), its tests with gdk-pixbuf's
# tools, and the MIME package's test (xdg-mime asks gio).
native_pkgs+=(libgdk-pixbuf-2.0-dev libgdk-pixbuf2.0-bin shared-mime-info xdg-utils libglib2.0-bin)
win_pkgs=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev nasm
          wine wine32:i386 wine64 fonts-wine qemu-user-static xvfb xauth imagemagick xdotool fonts-ipafont-gothic dpkg-dev)
wanted=("${native_pkgs[@]}" "${win_pkgs[@]}")
[ "${1:-}" = --native ] && wanted=("${build_pkgs[@]}")

missing=()
for p in "${wanted[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "${1:-}" != --native ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

[ "${1:-}" = --native ] && { echo "setup: done (native build)"; exit 0; }

# Source packages need a deb-src entry with the machine's own mirror and key.
if ! grep -rqs '^Types: *deb-src' /etc/apt/sources.list.d/; then
  uris=$(awk '/^URIs:/{print $2; exit}' /etc/apt/sources.list.d/debian.sources)
  key=$(awk '/^Signed-By:/{print $2; exit}' /etc/apt/sources.list.d/debian.sources)
  printf 'Types: deb-src\nURIs: %s\nSuites: bookworm\nComponents: main\nSigned-By: %s\n' \
    "${uris:-http://deb.debian.org/debian}" "${key:-/usr/share/keyrings/debian-archive-keyring.gpg}" |
    $SUDO tee /etc/apt/sources.list.d/vorn-src.sources >/dev/null
  $SUDO apt-get update -qq
fi

# Static libjpeg-turbo for each MinGW target, from the same 2.1.5 sources as
# the native package, so JPEG layers decode identically in every build.
build_jpeg() {  # $1 = target triple
  local triple=$1 prefix="$DEPS_PREFIX/$1"
  [ -f "$prefix/lib/libjpeg.a" ] && return 0
  local work; work=$(mktemp -d)
  (cd "$work" && apt-get source -qq --download-only libjpeg-turbo >/dev/null 2>&1 &&
     dpkg-source -x --skip-patches libjpeg-turbo_*.dsc src >/dev/null)
  local proc=x86; [ "$triple" = x86_64-w64-mingw32 ] && proc=AMD64
  cat > "$work/tc.cmake" <<TC
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR $proc)
set(CMAKE_C_COMPILER $triple-gcc)
set(CMAKE_RC_COMPILER $triple-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$triple)
TC
  cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$work/tc.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_POSITION_INDEPENDENT_CODE=OFF >/dev/null
  cmake --build "$work/build" --target install >/dev/null
  rm -rf "$work"
}
# Static libpng for the Windows converter, from Debian's source package.
build_png() {  # $1 = target triple
  local triple=$1 prefix="$DEPS_PREFIX/$1"
  [ -f "$prefix/lib/libpng.a" ] && return 0
  local work; work=$(mktemp -d)
  (cd "$work" && apt-get source -qq --download-only libpng1.6 >/dev/null 2>&1 &&
     dpkg-source -x --skip-patches libpng1.6_*.dsc src >/dev/null)
  cat > "$work/tc.cmake" <<TC
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER $triple-gcc)
set(CMAKE_RC_COMPILER $triple-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$triple)
TC
  cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$work/tc.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DPNG_HARDWARE_OPTIMIZATIONS=OFF -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DZLIB_LIBRARY=/usr/$triple/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$triple/include >/dev/null
  cmake --build "$work/build" --target install >/dev/null
  $SUDO ln -sf libpng16.a "$prefix/lib/libpng.a"
  rm -rf "$work"
}
# Static libwebp for the Windows converter's animated WebP output, from the
# same 1.2.4 sources as the native package: libwebp (its sharpyuv objects are
# inside it in this version), libwebpmux for WebPAnimEncoder and libwebpdemux
# for WebPAnimDecoder; none of its programs. Its threads are Win32's own.
build_webp() {  # $1 = target triple
  local triple=$1 prefix="$DEPS_PREFIX/$1"
  # With Debian's own patches (its security fixes): the marker says a build
  # has them.
  [ -f "$prefix/lib/libwebp.a" ] && [ -f "$prefix/lib/libwebpmux.a" ] &&
    [ -f "$prefix/lib/libwebpdemux.a" ] && [ -f "$prefix/lib/libwebp.debian-patches" ] && return 0
  local work; work=$(mktemp -d)
  (cd "$work" && apt-get source -qq --download-only libwebp >/dev/null 2>&1 &&
     dpkg-source -x libwebp_*.dsc src >/dev/null 2>&1)
  cat > "$work/tc.cmake" <<TC
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER $triple-gcc)
set(CMAKE_RC_COMPILER $triple-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$triple)
TC
  cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$work/tc.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DWEBP_BUILD_LIBWEBPMUX=ON \
    -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF \
    -DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF \
    -DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF \
    -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
  cmake --build "$work/build" --target install >/dev/null
  $SUDO touch "$prefix/lib/libwebp.debian-patches"
  rm -rf "$work"
}
# Static libdeflate for each MinGW target, from the same 1.14 sources (and
# Debian patches) as the native package: whole zlib blocks inflate through it.
build_deflate() {  # $1 = target triple
  local triple=$1 prefix="$DEPS_PREFIX/$1"
  [ -f "$prefix/lib/libdeflate.a" ] && return 0
  local work; work=$(mktemp -d)
  (cd "$work" && apt-get source -qq --download-only libdeflate >/dev/null 2>&1 &&
     dpkg-source -x libdeflate_*.dsc src >/dev/null 2>&1)
  # For a Windows compiler its Makefile names the static library *static.lib.
  make -s -C "$work/src" libdeflatestatic.lib CC="$triple-gcc" AR="$triple-ar" >/dev/null
  $SUDO install -D -m644 "$work/src/libdeflatestatic.lib" "$prefix/lib/libdeflate.a"
  $SUDO install -D -m644 "$work/src/libdeflate.h" "$prefix/include/libdeflate.h"
  rm -rf "$work"
}
# The thread runtime for the plug-in DLLs: Debian's winpthreads (the same
# 10.0.0 sources as the installed one) with tools/winpthreads-dll-unload.patch,
# which lets a DLL that links it statically release its TLS index and handles
# when it is unloaded (cmake/WindowsDll.cmake). Rebuilt when the patch changes.
WINPTHREADS_PATCH=$(cd "$(dirname "$0")" && pwd)/winpthreads-dll-unload.patch
build_winpthreads() {  # $1 = target triple
  local triple=$1 prefix="$DEPS_PREFIX/$1/winpthreads"
  [ -f "$prefix/lib/libpthread.a" ] && cmp -s "$WINPTHREADS_PATCH" "$prefix/dll-unload.patch" && return 0
  local work; work=$(mktemp -d)
  (cd "$work" && apt-get source -qq --download-only mingw-w64 >/dev/null 2>&1 &&
     dpkg-source -x --skip-patches mingw-w64_*.dsc src >/dev/null)
  local src="$work/src/mingw-w64-libraries/winpthreads"
  patch -s -d "$src" -p1 < "$WINPTHREADS_PATCH"
  mkdir "$work/build"
  (cd "$work/build" && "$src/configure" -q --host="$triple" --prefix="$prefix" \
     --disable-shared --enable-static >/dev/null && make -s -j"$(nproc)" AR_FLAGS=cr >/dev/null &&
     $SUDO rm -rf "$prefix" && $SUDO make -s install >/dev/null)
  $SUDO cp "$WINPTHREADS_PATCH" "$prefix/dll-unload.patch"
  rm -rf "$work"
}
$SUDO mkdir -p "$DEPS_PREFIX"
for triple in i686-w64-mingw32 x86_64-w64-mingw32; do
  build_jpeg $triple
  build_png $triple
  build_webp $triple
  build_deflate $triple
  build_winpthreads $triple
done
# Kernels without 32-bit support (no IA32 emulation) cannot start the 32-bit
# Wine loader; there it runs through qemu's user-mode emulator, registered for
# i386 ELF programs. Nothing is changed where 32-bit programs already run.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  [ -e /proc/sys/fs/binfmt_misc/register ] ||
    $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' |
      $SUDO tee /proc/sys/fs/binfmt_misc/register >/dev/null
  fi
  /usr/lib/wine/wine --version >/dev/null
fi
echo "setup: done"
