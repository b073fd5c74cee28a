#!/usr/bin/env bash
# Configures and builds Stirwell into ./build (incremental; ccache when present).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${STIRWELL_BUILD_DIR:-build}
if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build_dir" -j "$(nproc)"
