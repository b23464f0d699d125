#!/usr/bin/env bash
# Runs the libFuzzer targets for longer than the test suite does.
#   scripts/fuzz.sh [seconds-per-target] [target...]
# Builds them in build-fuzz (or $FUZZ_BUILD_DIR; clang-14, ASan + UBSan). New inputs go to build-fuzz/work/<target>;
# crashes are written to build-fuzz/crashes/. Copy inputs worth keeping into
# tests/fuzz/corpus/<target>/ by hand.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  # All of them: every tests/fuzz/*_fuzz.cpp.
  for source in "$root"/tests/fuzz/*_fuzz.cpp; do
    targets+=("$(basename "$source" .cpp)")
  done
fi

build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
cmake -S "$root/tests/fuzz/project" -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_C_COMPILER=clang-14 -DZURIZ_ROOT="$root" >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

mkdir -p "$build/crashes"
status=0
for t in "${targets[@]}"; do
  mkdir -p "$build/work/$t"
  echo "fuzz: $t for ${seconds}s"
  if ! "$build/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$build/crashes/$t-" -print_final_stats=1 \
      "$build/work/$t" "$root/tests/fuzz/corpus/$t"; then
    echo "fuzz: $t FAILED (see $build/crashes/)" >&2
    status=1
  fi
done
exit $status
