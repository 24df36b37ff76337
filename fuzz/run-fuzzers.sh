#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan, coverage) and runs each
# for a bounded time, starting from the committed seed corpus.
#
#   fuzz/run-fuzzers.sh                    every target, 60 s each
#   VORN_FUZZ_SECONDS=1800 fuzz/run-fuzzers.sh fuzz_picture   one target, longer
#
# Environment:
#   VORN_FUZZ_SECONDS    seconds per target (default 60)
#   VORN_FUZZ_BUILD_DIR  build directory (default <repo>/build-fuzz)
#   VORN_FUZZ_ARGS       extra libFuzzer options, e.g. "-jobs=2 -workers=2"
# Findings land in <build>/fuzz/artifacts/ (crash-*, timeout-*, oom-*); the
# corpus grown by a run is kept in <build>/fuzz/work/<target>/ and reused by
# the next run. Exit status: 0 when no target found anything.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VORN_FUZZ_BUILD_DIR:-$repo/build-fuzz}"
seconds="${VORN_FUZZ_SECONDS:-60}"
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_picture fuzz_picture_info fuzz_xml fuzz_is_supported fuzz_api fuzz_archive fuzz_inflate)

if ! command -v clang++ >/dev/null; then
  echo "run-fuzzers: clang++ is not installed" >&2
  exit 1
fi
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DVORN_BUILD_FUZZ=ON -DVORN_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link" "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link" >/dev/null
fi
cmake --build "$build" -j2 --target vorn_fuzzers >/dev/null 2>&1

passed=0
failed=0
mkdir -p "$build/fuzz/artifacts"
for target in "${targets[@]}"; do
  work="$build/fuzz/work/$target"
  log="$build/fuzz/$target.log"
  mkdir -p "$work"
  status=0
  # The seed corpus is read but never written: new inputs go to $work.
  # shellcheck disable=SC2086
  "$build/fuzz/$target" "$work" "$repo/fuzz/corpus/$target" \
    -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -dict="$repo/fuzz/dict/vrn.dict" -artifact_prefix="$build/fuzz/artifacts/$target-" \
    -print_final_stats=1 ${VORN_FUZZ_ARGS:-} >"$log" 2>&1 || status=$?
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
  cov=$(grep -oE '(DONE|pulse|NEW|REDUCE|INITED) +cov: [0-9]+ ft: [0-9]+' "$log" | tail -1 |
        sed -E 's/.*cov: ([0-9]+) ft: ([0-9]+)/cov \1, ft \2/' || true)
  if [ "$status" -eq 0 ]; then
    passed=$((passed + 1))
    echo "fuzz: $target ok: ${runs:-?} executions in ${seconds} s, ${cov:-no coverage line}"
  else
    failed=$((failed + 1))
    echo "fuzz: $target FAILED (exit $status), log $log:"
    grep -E 'ERROR|SUMMARY|invariant|Test unit written' "$log" | head -20 || true
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
