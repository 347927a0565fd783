#!/usr/bin/env bash
# Builds the model's libFuzzer target with clang, on the tests' shared facts
# of the game (tests/common), and runs it for a bounded time.
#   fuzz/run-fuzz.sh SCRATCH_DIR [SECONDS]
# Exit status: 0 no finding, 1 a finding or a failed build, 77 no clang or no
# libFuzzer runtime here (the caller treats that as skipped).
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
scratch=${1:?usage: run-fuzz.sh SCRATCH_DIR [SECONDS]}
seconds=${2:-20}

cxx=${FUZZ_CXX:-}
if [ -z "$cxx" ]; then
  for c in clang++ clang++-14; do
    if command -v "$c" >/dev/null; then cxx=$c; break; fi
  done
fi
if [ -z "$cxx" ]; then
  echo "SKIPPED: clang++ not found (Debian: apt-get install clang libclang-rt-14-dev)"
  exit 77
fi
runtime_dir=$("$cxx" -print-runtime-dir 2>/dev/null || true)
if ! ls "$runtime_dir"/libclang_rt.fuzzer*.a >/dev/null 2>&1; then
  echo "SKIPPED: $cxx has no libFuzzer runtime in '$runtime_dir' (Debian: libclang-rt-14-dev)"
  exit 77
fi

# Each run starts from the committed seeds alone, so runs repeat exactly.
rm -rf "$scratch/corpus"
mkdir -p "$scratch/corpus" "$scratch/artifacts"
"$cxx" -std=c++20 -O1 -g -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -Wall -Wextra -Werror \
  -I"$src/model" -I"$src/platform" -I"$src/tests/common" \
  "$src/model/tower.cpp" "$src/tests/common/facts.cpp" "$src/fuzz/tower_fuzzer.cpp" \
  -o "$scratch/tower_fuzzer"

# New inputs go to the scratch corpus; the committed seeds are only read.
# Any crash, abort, sanitizer report or leak ends the run with a non-zero status.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
exec "$scratch/tower_fuzzer" \
  -seed=20240601 -max_total_time="$seconds" -timeout=10 -max_len=512 \
  -print_final_stats=1 \
  -artifact_prefix="$scratch/artifacts/" \
  "$scratch/corpus" "$src/fuzz/corpus"
