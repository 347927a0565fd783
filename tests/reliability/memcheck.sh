#!/bin/sh
# Runs one whole game (velmo_driver) under valgrind's memcheck.
#   memcheck.sh VALGRIND SANITIZED DRIVER
# Fails on any memory error and on any definite leak. Nothing is suppressed:
# Qt, fontconfig and glib on the offscreen platform leave only reachable
# blocks at exit, which are not errors. The game must also have been played
# to its ending and the window closed, or the run proves nothing.
# Exits 77 (skipped) in a sanitizer build, whose shadow memory valgrind
# cannot run, and when valgrind is not installed.
set -eu
valgrind=$1 sanitized=$2 driver=$3

case $sanitized in
  ON|on|1|TRUE|true)
    echo "skipped: a sanitizer build cannot run under valgrind"
    exit 77 ;;
esac
if [ -z "$valgrind" ] || [ ! -x "$valgrind" ]; then
  echo "skipped: valgrind is not installed"
  exit 77
fi

out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=0
"$valgrind" --tool=memcheck --error-exitcode=1 \
  --leak-check=full --show-leak-kinds=definite --errors-for-leak-kinds=definite \
  --num-callers=30 \
  "$driver" --pieces 3 >"$out" || status=$?
cat "$out"
if [ "$status" -ne 0 ]; then
  echo "memcheck: the game ended with status $status (1: memory errors or definite leaks)"
  exit 1
fi
if ! grep -q '^ending 完成！ turn 7$' "$out" || ! grep -q '^closed$' "$out"; then
  echo "memcheck: the game was not played to its ending and closed"
  exit 1
fi
