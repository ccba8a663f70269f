#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer (leaks included) and
# UndefinedBehaviorSanitizer into build-san/ and runs it there; any report fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh build-san -DTOLLBRIG_SANITIZE=ON -DTOLLBRIG_WERROR=ON
ctest --test-dir build-san --output-on-failure -j "$(nproc)"
