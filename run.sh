#!/usr/bin/env bash
# Sets up, builds and runs the main job against the embedded simulated recorder.
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh
cmake --preset default >/dev/null
cmake --build --preset default
exec ./build/default/bin/dvrhost "$@"
