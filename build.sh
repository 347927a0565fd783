#!/usr/bin/env bash
# One entry point for players and developers on Debian 12:
#   ./build.sh run        install what is missing, build, start the game
#   ./build.sh test       install what is missing, build, run every test
#   ./build.sh asan       the whole test suite again under Address/UB sanitizers
#   ./build.sh package    build the Debian package into build/default
#   ./build.sh bench      build and run the benchmarks, print the ratios
set -euo pipefail
cd "$(dirname "$0")"

configure() {  # configure once; later calls only rebuild
  local preset=$1
  if [ ! -f "build/$preset/build.ninja" ]; then
    cmake --preset "$preset" >/dev/null
  fi
}

cmd=${1:-run}
case "$cmd" in
  run)
    scripts/install-deps.sh run
    configure default
    cmake --build --preset default --target velmo
    exec build/default/velmo
    ;;
  test)
    scripts/install-deps.sh test
    configure default
    cmake --build --preset default
    ctest --preset default
    ;;
  asan)
    scripts/install-deps.sh test
    configure asan
    cmake --build --preset asan
    ctest --preset asan
    ;;
  package)
    scripts/install-deps.sh test
    configure default
    cmake --build --preset default
    (cd build/default && cpack -G DEB)
    ;;
  bench)
    scripts/install-deps.sh test
    configure bench
    cmake --build --preset bench
    bench/run-bench.sh build/bench
    ;;
  *)
    echo "usage: $0 run|test|asan|package|bench" >&2
    exit 2
    ;;
esac
