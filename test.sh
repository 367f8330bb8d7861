#!/usr/bin/env bash
# Sets up, checks the formatting, builds and runs the whole test suite: warnings as errors, then
# again under the address and undefined-behaviour sanitizers (clang), which also runs the bounded
# fuzz targets.
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh
# One style for every file: a file that clang-format would change fails the run.
if ! git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror; then
    echo "formatting differs from .clang-format: run clang-format -i on the files above" >&2
    exit 1
fi
export QT_QPA_PLATFORM=offscreen
for preset in ci ci-asan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j2
done
