#!/usr/bin/env bash
# The 64-bit Windows plug-in (Vorn.sph, MinGW x86_64) under 64-bit Wine
# beside the native one (libvornspi.so) on the same large files: each
# GetPicture timed through the real export by vrnhost, with 1 and 2
# threads, memory and file input, and the ratio Wine / native. The native
# plug-in is also timed built without the huge-page advice ("4k"): Wine's
# memory calls never get huge pages, so that column takes the same page
# faults as Wine and shows what the Windows build's own code costs.
#
#   bash bench/wine-ratio.sh [ROUNDS]      (default 5 calls per figure)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
jobs=$(nproc)

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORN_BUILD_BENCH=ON \
  -DVORN_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j "$jobs" --target vorn_bench_reader >/dev/null
# The hosts are test programs: a Release build of the plug-in and vrnhost alone.
cmake -S . -B build-ratio -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-ratio -j "$jobs" --target vornspi vrnhost >/dev/null
cmake -S . -B build-ratio-4k -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORN_HUGE_PAGES=OFF >/dev/null
cmake --build build-ratio-4k -j "$jobs" --target vornspi vrnhost >/dev/null
cmake -S . -B build-mingw64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake >/dev/null
cmake --build build-mingw64 -j "$jobs" --target vornspi vrnhost >/dev/null

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
build-bench/bench/vorn_bench_reader --write-inputs "$dir" >/dev/null
export VORN_SCREEN=2048x2048

fastest() { sed -n 's/.*fastest \([0-9.]*\) ms.*/\1/p'; }
printf '%-20s %7s %6s %10s %10s %10s %7s %7s\n' case threads input "native ms" "4k ms" "Wine ms" \
  ratio "vs 4k"
for name in one_layer_rows three_layer_rows three_layer_blocks; do
  file=$dir/$name.vrn
  winfile="Z:$(printf '%s' "$file" | tr / '\\')"
  for threads in 1 2; do
    for input in memory file; do
      mem=(); [ "$input" = memory ] && mem=(--mem)
      native=$(VORN_THREADS=$threads build-ratio/vrnhost build-ratio/libvornspi.so \
                 --time "$rounds" "${mem[@]}" "$file" | fastest)
      small=$(VORN_THREADS=$threads build-ratio-4k/vrnhost build-ratio-4k/libvornspi.so \
                --time "$rounds" "${mem[@]}" "$file" | fastest)
      wine=$(VORN_THREADS=$threads sh cmake/wine-run.sh build-mingw64/vrnhost.exe \
               build-mingw64/Vorn.sph --time "$rounds" "${mem[@]}" "$winfile" | tr -d '\r' | fastest)
      ratio=$(awk -v w="$wine" -v n="$native" 'BEGIN { if (n > 0) printf "%.2f", w / n }')
      vs4k=$(awk -v w="$wine" -v n="$small" 'BEGIN { if (n > 0) printf "%.2f", w / n }')
      printf '%-20s %7s %6s %10s %10s %10s %7s %7s\n' "$name" "$threads" "$input" "$native" \
        "$small" "$wine" "$ratio" "$vs4k"
    done
  done
done
