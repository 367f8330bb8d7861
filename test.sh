#!/usr/bin/env bash
# Sets up, checks the formatting, builds and runs the whole test suite: warnings as errors (with
# the Ansible fleet check and the Debian packages of that build), then again under the address and
# undefined-behaviour sanitizers (clang), which also runs the bounded fuzz targets; then the live
# preview and the area editor under the thread sanitizer; then the Qt-free layers for 32-bit
# Windows under Wine.
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
# The Qt-free layers built for 32-bit Windows, their tests under Wine, and Windows' code page 936
# and gdi32 against the Linux build's GBK table and drawing stand-in.
echo "== win32"
started=$SECONDS
cmake --preset win32 >/dev/null
cmake --build --preset win32
if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  ctest --preset win32 -j2
  echo "win32: $((SECONDS - started)) s"
else
  # Setup could not install Wine's 32-bit part (Debian's i386 lists out of step with the amd64
  # ones): the build is checked, the tests under Wine are not, and the run says so loudly.
  echo "win32: NOT TESTED: Wine's 32-bit part (wine32:i386) is not installed, see setup above;" \
    "the Windows build compiled and linked, its tests under Wine did not run" >&2
fi
