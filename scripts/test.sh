#!/usr/bin/env bash
# Sets everything up, checks the format, builds with warnings as errors, runs the whole test
# suite plain and sanitized, then fuzzes the input readers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/format.sh --check
# Warnings in our own code fail the build.
bash scripts/build.sh build -DTOLLBRIG_WERROR=ON
ctest --test-dir build --output-on-failure -j "$(nproc)"
# The same suite again, built with the sanitizers.
bash scripts/sanitize.sh
bash scripts/fuzz.sh
