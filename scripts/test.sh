#!/usr/bin/env bash
# Sets up, builds and runs every test: the release build, then the sanitizer builds.
#   scripts/test.sh            everything
#   scripts/test.sh --quick    the release build's tests only
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --tests
jobs="$(nproc)"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
ctest --test-dir build -j"$jobs" --output-on-failure

[ "${1:-}" = "--quick" ] && exit 0

# AddressSanitizer + UndefinedBehaviorSanitizer over the whole suite.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZURIZ_SANITIZE="address;undefined" \
      -DZURIZ_BUILD_BENCH=OFF
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan -j"$jobs" --output-on-failure -LE "fuzz|benchmark-only"

# ThreadSanitizer over the tests that run threads.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZURIZ_SANITIZE=thread \
      -DZURIZ_BUILD_BENCH=OFF
cmake --build build-tsan -j"$jobs" --target zuriz_thread_tests
ctest --test-dir build-tsan -j"$jobs" --output-on-failure -L threads
