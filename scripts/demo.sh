#!/usr/bin/env bash
# The main job: set up, build the plug-in bundle and the renderer, and play the demo score
# through build/Zuriz.vst3 (loaded as a host loads it) into zuriz-demo.wav.
# Extra arguments go to zuriz-render (see build/bin/zuriz-render --help).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target zuriz_plugin zuriz-render
build/bin/zuriz-render --plugin build/Zuriz.vst3 --out zuriz-demo.wav "$@"
