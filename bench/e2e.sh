#!/usr/bin/env bash
# Times Tollbrig and Marrowick as whole processes on generated node sets and
# reports wall and CPU time, peak resident memory and the Marrowick/Tollbrig ratio.
#
#   bash bench/e2e.sh [-b BUILD_DIR] [-w WORK_DIR] [-r RUNS] [-B BUS] [SIZES...]
#
# SIZES default to 500 2000 8000 nodes; RUNS (default 3) runs per program and
# size, of which the fastest counts; BUS (default BusTDMA) is the architecture's
# bus model. The inputs and the programs' outputs stay in WORK_DIR (default
# BUILD_DIR/bench-e2e) for inspection.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
work=
runs=3
bus=BusTDMA
while getopts "b:w:r:B:" opt; do
  case $opt in
    b) build=$OPTARG ;;
    w) work=$OPTARG ;;
    r) runs=$OPTARG ;;
    B) bus=$OPTARG ;;
    *) sed -n '2,10p' "$0"; exit 1 ;;
  esac
done
shift $((OPTIND - 1))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(500 2000 8000)
work=${work:-$build/bench-e2e}

[ -x /usr/bin/time ] || bash scripts/setup.sh time
if [ ! -x "$build/Tollbrig" ] || [ ! -x "$build/Marrowick" ]; then
  bash scripts/build.sh "$build"
fi

mkdir -p "$work"
python3 bench/gen_nodeset.py "$work" --bus "$bus" "${sizes[@]}" >/dev/null

# Runs one program on one node set RUNS times; prints "wall cpu kilobytes" of
# the fastest run: wall and CPU (user + system) seconds and the peak resident
# set. A failing run ends the benchmark.
measure() {
  local program=$1 size=$2 out="$work/out/$1_$2"
  local best_time="" best_cpu="" best_rss="" run
  mkdir -p "$out"
  for ((run = 0; run < runs; ++run)); do
    if ! /usr/bin/time -f "%e %U %S %M" -o "$out/time" "$build/$program" -silent \
        -ts "$work/nodeset_$size.yaml" -arch "$work/arch.yaml" -profiles "$work/profiles" \
        -o "$out/result.yaml" >"$out/stdout" 2>"$out/stderr"; then
      echo "$program failed on $size nodes, see $out/stderr" >&2
      exit 1
    fi
    read -r seconds user system kilobytes <"$out/time"
    if [ -z "$best_time" ] || awk -v a="$seconds" -v b="$best_time" 'BEGIN { exit !(a < b) }'; then
      best_time=$seconds
      best_cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')
      best_rss=$kilobytes
    fi
  done
  echo "$best_time $best_cpu $best_rss"
}

echo "Fastest of $runs runs: wall and CPU seconds, peak resident MB; ratio = Marrowick / Tollbrig wall"
printf "%-6s %9s %9s %9s %9s %9s %9s %6s\n" nodes T-wall T-cpu T-MB M-wall M-cpu M-MB ratio
for size in "${sizes[@]}"; do
  tollbrig=$(measure Tollbrig "$size")
  marrowick=$(measure Marrowick "$size")
  read -r t_time t_cpu t_rss <<<"$tollbrig"
  read -r m_time m_cpu m_rss <<<"$marrowick"
  awk -v n="$size" -v tt="$t_time" -v tc="$t_cpu" -v tr="$t_rss" \
      -v mt="$m_time" -v mc="$m_cpu" -v mr="$m_rss" 'BEGIN {
    printf "%-6s %9.2f %9.2f %9.1f %9.2f %9.2f %9.1f %6s\n", n, tt, tc, tr / 1024,
           mt, mc, mr / 1024, (tt > 0 ? sprintf("%.2f", mt / tt) : "-")
  }'
done
