#!/usr/bin/env bash
# Sets up, then builds and runs every test: the normal build, the same tests under the address
# and undefined-behaviour sanitizers, and a bounded fuzzing run of the diary file reader.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)
for preset in debug asan fuzz; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset"
done
