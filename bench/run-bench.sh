#!/usr/bin/env bash
# Runs every benchmark of a bench build and prints each ratio with its goal
# and PASS or MISS. Every ratio compares two things measured in this run.
#   bench/run-bench.sh [BUILD_DIR]      (default build/bench; ./build.sh bench)
set -euo pipefail
build=$(cd "${1:-build/bench}" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

echo "== Machine"
echo "cpus: $(nproc)   cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "qt: $(dpkg-query -W -f '${Version}' libqt6core6 2>/dev/null || echo unknown)   load average: $(cut -d' ' -f1-3 /proc/loadavg)"

echo
echo "== Board redraw and turns: game window offscreen, CPU time, medians of interleaved repetitions"
"$build/bench/velmo_board_bench" \
  --benchmark_repetitions="${BENCH_REPETITIONS:-9}" \
  --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true \
  --benchmark_min_time=0.3 | tee "$out/board.txt"

echo
echo "== Start-up: start until the dialog is painted on Xvfb, and peak memory, alternating runs"
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
  "$build/bench/velmo_startup_bench" -n "${STARTUP_RUNS:-21}" \
  "$build/velmo" "$build/bench/velmo_minimal_dialog" "$build/bench/velmo_text_dialog" \
  | tee "$out/startup.txt"

echo
echo "== Goals"
grep -h -E '^(ratio|delta) ' "$out/board.txt" "$out/startup.txt"
missed=$(grep -h -E '^(ratio|delta) ' "$out/board.txt" "$out/startup.txt" | grep -c ' MISS' || true)
echo "goals missed: $missed"
