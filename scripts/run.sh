#!/usr/bin/env bash
# Sets up, builds and starts the diary. Its diary file, Save.vnx, lives beside the executable.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
exec ./build/release/src/velnora
