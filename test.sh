#!/usr/bin/env bash
# Sets up, checks the formatting, builds and runs the whole test suite: warnings as errors (and
# the Debian packages of that build checked), then again under the address and undefined-behaviour
# sanitizers (clang), which also runs the bounded fuzz targets; then the live preview and the area
# editor under the thread sanitizer.
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
  if [ "$preset" = ci ]; then
    # The Ansible collection's example playbook against a fleet of simulated recorders.
    echo "== ansible"
    ansible/tests/fleet.sh build/ci/bin
    # The Debian packages of that build: lintian, then the programs run from an unpacked tree.
    echo "== packages"
    bash packaging/check-packages.sh build/ci
  fi
done
# Only what runs on more than one thread of ours: the preview and the area editor. (dvr-simulator
# is started with QProcess, whose fork the thread sanitizer does not survive, so the tests over
# TCP stay in the other two runs.)
echo "== tsan"
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan -j2
