#!/usr/bin/env bash
# Builds the fuzz targets of the input readers with clang++ into build-fuzz/
# and runs each from its seeds for a bounded time; fails on any finding (crash,
# sanitizer report, leak, hang or memory blow-up), whose input is then kept under
# build-fuzz/findings/. FUZZ_SECONDS sets the time per target (default 12).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-12}
dir=build-fuzz
data=tests/data

bash scripts/setup.sh clang libclang-rt-14-dev
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DTOLLBRIG_FUZZ=ON -DTOLLBRIG_WERROR=ON >/dev/null
cmake --build "$dir" --target fuzzers -j "$(nproc)"

# The seeds of each target: the fixtures of its reader and its kept findings.
declare -A seeds=(
  [options]="$data/config"
  [architecture]="$data/arch $data/e2e/arch"
  [nodeset]="$data/nodesets $data/e2e/nodesets"
  [profile]="$data/profiles $data/e2e/profiles"
  [trace]="$data/trace"
)

# The targets write their inputs to files: a memory file system keeps that fast.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
mkdir -p "$dir/findings"
failed=0
for target in options architecture nodeset profile trace; do
  corpus="$dir/corpus/$target"
  log="$dir/fuzz-$target.log"
  mkdir -p "$corpus"
  kept=()
  [ -d "$data/fuzz/$target" ] && kept=("$data/fuzz/$target")
  # shellcheck disable=SC2086
  if "$dir/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -dict="tests/fuzz/$target.dict" \
      -artifact_prefix="$dir/findings/$target-" "$corpus" ${seeds[$target]} "${kept[@]}" \
      >"$log" 2>&1; then
    echo "fuzz $target: $(awk '/number_of_executed_units/ {print $2}' "$log") inputs, no finding"
  else
    echo "fuzz $target: FAILED, log $log:"
    tail -n 60 "$log"
    failed=1
  fi
done
exit "$failed"
