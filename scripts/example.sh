#!/usr/bin/env bash
# Sets everything up, builds, and runs both programs on the shipped example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
out=build/example
rm -rf "$out" && mkdir -p "$out/tollbrig" "$out/marrowick"
set -x
./build/Tollbrig -ts examples/camera.yaml -arch examples/quad.yaml -profiles examples/profiles \
  -o "$out/tollbrig/camera.yaml" -csv
./build/Tollbrig -silent -ts examples/camera-graph.yaml -arch examples/quad.yaml \
  -profiles examples/profiles -o "$out/tollbrig/camera-graph.yaml"
./build/Marrowick -ts examples/camera.yaml -arch examples/quad.yaml -profiles examples/profiles \
  -o "$out/marrowick/camera.yaml"
set +x
echo
echo "Results:"
find "$out" -type f | sort
