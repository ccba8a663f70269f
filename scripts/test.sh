#!/usr/bin/env bash
# Sets everything up, builds, runs the whole test suite, then fuzzes the input readers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
ctest --test-dir build --output-on-failure -j "$(nproc)"
bash scripts/fuzz.sh
