#!/usr/bin/env bash
# The main job: set up, build, and render the demo score to a WAV file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target zuriz-render
build/bin/zuriz-render --out zuriz-demo.wav "$@"
