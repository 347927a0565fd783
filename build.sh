#!/usr/bin/env bash
# One entry point for players and developers on Debian 12:
#   ./build.sh run        install what is missing, build, start the game
#   ./build.sh test       install what is missing, build, run every test
#   ./build.sh asan       the whole test suite again under Address/UB sanitizers
#   ./build.sh package    build the Debian package into build/default
#   ./build.sh bench      build and run the benchmarks, print the ratios
#   ./build.sh windows    cross-compile build/windows/Velmo.exe (32-bit Windows)
#                         with the help file of the Linux build beside it, and
#                         the player's downloads: Velmo-<version>-win32.zip and
#                         Velmo-<version>-setup.exe
#   ./build.sh run-windows  the above, then play it under Wine
#   ./build.sh web        build the game as a static web page into build/web
#                         (WebAssembly, compiled with Emscripten)
#   ./build.sh run-web    the above, then serve it on http://localhost:8000/
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
    # The Windows build (with the Linux build's help file) and its tests
    # under Wine.
    configure windows
    cmake --build --preset windows
    ctest --preset windows
    # The web page and its tests in Chromium.
    configure web
    cmake --build --preset web
    ctest --preset web
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
    # The Windows build's figures under Wine.
    configure windows-bench
    cmake --build --preset windows-bench
    # The web build's figures in headless Chromium: the game's page (with
    # the tests' node modules, which hold the browser's driver) and the
    # bench's own pages.
    configure web
    cmake --build --preset web
    configure web-bench
    cmake --build --preset web-bench
    bench/run-bench.sh build/bench build/windows-bench build/web build/web-bench
    ;;
  windows|run-windows)
    scripts/install-deps.sh test
    # The help file is compiled by programs of the build machine, so the
    # Linux build makes it; the Windows build copies it beside Velmo.exe.
    configure default
    cmake --build --preset default --target velmo_help
    configure windows
    cmake --build --preset windows
    if [ "$cmd" = run-windows ]; then
      # A Wine prefix of the game's own, with a Japanese Gothic standing in
      # for "MS UI Gothic"; no .NET or Gecko installers.
      export WINEPREFIX="$PWD/build/windows/wineprefix"
      export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
      if [ ! -f "$WINEPREFIX/system.reg" ]; then
        WINEARCH=win32 wineboot -i >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d IPAPGothic /f >/dev/null 2>&1
        wineserver -w
      fi
      exec wine "$PWD/build/windows/Velmo.exe"
    fi
    ;;
  web|run-web)
    scripts/install-deps.sh web
    configure web
    cmake --build --preset web --target velmo_site
    if [ "$cmd" = run-web ]; then
      # Service workers need a secure context, which localhost is.
      cd build/web
      echo "Velmo: http://localhost:8000/"
      exec python3 -m http.server 8000 --bind 127.0.0.1
    fi
    ;;
  *)
    echo "usage: $0 run|test|asan|package|bench|windows|run-windows|web|run-web" >&2
    exit 2
    ;;
esac
