#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: warnings as errors, then again under the
# address and undefined-behaviour sanitizers (clang), which also runs the bounded fuzz targets.
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh
export QT_QPA_PLATFORM=offscreen
for preset in ci ci-asan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j2
done
