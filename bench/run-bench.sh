#!/usr/bin/env bash
# Runs every benchmark of a bench build and prints each ratio with its goal
# and PASS or MISS. Every ratio compares two things measured in this run.
# Beside the times, valgrind's callgrind counts the instructions of the same
# work, which other processes on the machine do not disturb.
#   bench/run-bench.sh [BUILD_DIR [WINDOWS_BUILD_DIR [WEB_SITE [WEB_BENCH_DIR]]]]
#                       (defaults build/bench, build/windows-bench, build/web
#                        and build/web-bench; ./build.sh bench builds them all)
# The Windows figures run under Wine and are left out when there is no
# Windows bench build or no Wine. The web figures run in headless Chromium
# from node, with the puppeteer-core that the web preset's build installs
# (VELMO_NODE_MODULES, default build/web-tests), and are left out when the
# browser, node, the page or the web bench build is missing.
# BENCH_REPETITIONS (9), STARTUP_RUNS (21), WEB_SAMPLES (31) and
# COUNT_ITERATIONS (20) set the sizes; COUNT_ITERATIONS=0 leaves the
# instruction counts out.
set -euo pipefail
build=$(cd "${1:-build/bench}" && pwd)
windows=${2:-build/windows-bench}
[ -d "$windows" ] && windows=$(cd "$windows" && pwd)
web_site=${3:-build/web}
web_bench=${4:-build/web-bench}
web_modules=${VELMO_NODE_MODULES:-build/web-tests}
chromium=${VELMO_CHROMIUM:-/usr/bin/chromium}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
iterations=${COUNT_ITERATIONS:-20}
if [ "$iterations" -gt 0 ] && ! command -v valgrind >/dev/null; then
  echo "valgrind not found: no instruction counts" >&2
  iterations=0
fi

echo "== Machine"
echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')   cpus: $(nproc)   cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "qt: $(dpkg-query -W -f '${Version}' libqt6core6 2>/dev/null || echo unknown)   load average: $(cut -d' ' -f1-3 /proc/loadavg)"

echo
echo "== Board redraw and turns: game window offscreen, process CPU time, medians of interleaved repetitions"
"$build/bench/velmo_board_bench" \
  --benchmark_repetitions="${BENCH_REPETITIONS:-9}" \
  --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true \
  --benchmark_min_time=0.3 | tee "$out/board.txt"

if [ "$iterations" -gt 0 ]; then
  echo
  echo "== Board redraw and turns: instructions per iteration (callgrind, $iterations iterations each)"
  QT_QPA_PLATFORM=offscreen valgrind --tool=callgrind \
    --callgrind-out-file="$out/board.cg" \
    "$build/bench/velmo_board_bench" --instructions "$iterations" >/dev/null 2>"$out/valgrind.txt" \
    || { cat "$out/valgrind.txt" >&2; exit 1; }
  # Each dump names its benchmark in its trigger and holds one iteration.
  for f in "$out"/board.cg.*; do
    name=$(sed -n 's/^desc: Trigger: Client Request: //p' "$f")
    total=$(sed -n 's/^totals: //p' "$f")
    echo "$name $total"
  done | awk -v n="$iterations" '
    { sum[$1] += $2 }
    END {
      k = split("redraw_floor redraw_drawboard repaint_window turn_seen", names, " ")
      for (i = 1; i <= k; ++i) {
        per[names[i]] = sum[names[i]] / n
        printf "instr %-28s %10.0f per iteration\n", names[i], per[names[i]]
      }
      printf "info  %-30s %6.2fx  (instructions)\n", "full redraw / floor", per["redraw_drawboard"] / per["redraw_floor"]
      printf "info  %-30s %6.2fx  (instructions)\n", "turn seen / window repaint", per["turn_seen"] / per["repaint_window"]
    }' | tee "$out/instr.txt"
fi

echo
echo "== Start-up: start until the dialog is painted on Xvfb, and peak memory, alternating runs"
count_opt=()
if [ "$iterations" -gt 0 ]; then count_opt=(-c "$out"); fi
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
  "$build/bench/velmo_startup_bench" -n "${STARTUP_RUNS:-21}" "${count_opt[@]}" \
  "$build/velmo" "$build/bench/velmo_same_dialog" "$build/bench/velmo_text_dialog" \
  "$build/bench/velmo_minimal_dialog" \
  | tee "$out/startup.txt"

results=("$out/board.txt" "$out/startup.txt")
if [ -x "$windows/Velmo.exe" ] && command -v wine >/dev/null; then
  echo
  echo "== Windows build under Wine: $(wine --version)"
  echo "size  Velmo.exe $(stat -c %s "$windows/Velmo.exe") bytes"
  # The bench's own prefix (made once by wine-run), its server kept running
  # between the starts, as a Windows session keeps its system running.
  prefix="$windows/wineprefix"
  "$(dirname "$0")/../scripts/wine-run" --prefix "$prefix" \
    "$windows/bench/velmo_win32_board_bench.exe" 31 | tee "$out/wine-board.txt"
  export WINEPREFIX="$prefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all WINEARCH=win32
  wineserver -k 2>/dev/null || true  # the board bench's server, still lingering
  wineserver -p
  trap 'wineserver -k 2>/dev/null || true; rm -rf "$out"' EXIT
  echo
  echo "== Windows start-up: start under Wine until the start dialog is painted on Xvfb, alternating runs"
  xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
    "$build/bench/velmo_startup_bench" -n "${STARTUP_RUNS:-21}" -w wine \
    "$windows/Velmo.exe" "$windows/bench/velmo_win32_same_dialog.exe" | tee "$out/wine-startup.txt"
  results+=("$out/wine-board.txt" "$out/wine-startup.txt")
else
  echo
  echo "== Windows build under Wine: left out ($windows/Velmo.exe or wine not found)"
fi

# What the web section needs, or the first thing missing.
web_missing() {
  if [ ! -x "$chromium" ]; then echo "$chromium"
  elif ! command -v node >/dev/null; then echo "node"
  elif [ ! -f "$web_site/velmo.wasm" ]; then echo "$web_site/velmo.wasm"
  elif [ ! -f "$web_bench/bench/board/velmo.wasm" ]; then echo "$web_bench/bench/board/velmo.wasm"
  elif [ ! -f "$web_bench/bench/empty/velmo.wasm" ]; then echo "$web_bench/bench/empty/velmo.wasm"
  elif [ ! -d "$web_modules/node_modules/puppeteer-core" ]; then echo "$web_modules/node_modules/puppeteer-core"
  fi
}
echo
missing=$(web_missing)
if [ -z "$missing" ]; then
  echo "== Web build in headless Chromium: $("$chromium" --version 2>/dev/null || echo chromium), node $(node --version)"
  echo "   start-up: alternating first visits in fresh browser contexts; redraw: alternating batches in one page"
  VELMO_NODE_MODULES=$(cd "$web_modules" && pwd) VELMO_CHROMIUM="$chromium" \
    node "$(dirname "$0")/web_bench.mjs" "$web_site" "$web_bench/bench" "${STARTUP_RUNS:-21}" "${WEB_SAMPLES:-31}" \
    | tee "$out/web.txt"
  # What a visitor downloads at most, compressed as a server would send it:
  # every file of the page but the help pages, each with gzip -9.
  total=0
  files=0
  while IFS= read -r -d '' f; do
    total=$((total + $(gzip -9 -c -n "$f" | wc -c)))
    files=$((files + 1))
  done < <(find "$web_site" -type f -not -path "$web_site/help/*" -print0)
  printf 'info   %-30s %7d KB  (%d bytes in %d files, gzip -9 each)\n' "web page gzipped (help aside)" \
    $(((total + 500) / 1000)) "$total" "$files" | tee -a "$out/web.txt"
  results+=("$out/web.txt")
else
  echo "== Web build in headless Chromium: left out ($missing not found)"
fi

echo
echo "== Goals"
grep -h -E '^(ratio|delta) ' "${results[@]}"
missed=$(grep -h -E '^(ratio|delta) ' "${results[@]}" | grep -c ' MISS' || true)
echo "goals missed: $missed"
