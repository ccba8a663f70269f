#!/usr/bin/env bash
# Sets everything up, builds, runs the whole test suite plain and sanitized, then fuzzes the input readers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
ctest --test-dir build --output-on-failure -j "$(nproc)"
# The same suite again, built with the sanitizers.
bash scripts/sanitize.sh
bash scripts/fuzz.sh
