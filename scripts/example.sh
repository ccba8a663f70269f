#!/usr/bin/env bash
# Sets everything up, builds, and runs both programs on the shipped example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
out=build/example
mkdir -p "$out"
set -x
./build/Tollbrig -ts examples/camera.yaml -arch examples/quad.yaml -profiles examples/profiles \
  -o "$out/camera.yaml" -csv
./build/Tollbrig -ts examples/camera-graph.yaml -arch examples/quad.yaml -profiles examples/profiles \
  -o "$out/camera-graph.yaml"
./build/Marrowick -ts examples/camera.yaml -arch examples/quad.yaml -profiles examples/profiles \
  -o "$out/camera-period.yaml" -silent
set +x
echo
echo "Results in $out:"
ls -1 "$out"
