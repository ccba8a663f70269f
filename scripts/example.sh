#!/usr/bin/env bash
# Sets everything up, builds, and runs both programs on the shipped example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
./build/Tollbrig --help
