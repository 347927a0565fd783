#!/usr/bin/env bash
# Installs the Debian packages that building, running or testing Velmo needs and
# that are not installed yet. Silent when nothing is missing; safe to run again.
#   scripts/install-deps.sh run    what building and playing the game needs
#   scripts/install-deps.sh test   the above plus the test and packaging tools,
#                                  and the locale ja_JP.UTF-8 generated
#   scripts/install-deps.sh web    what building and serving the web page needs
set -euo pipefail

run_pkgs=(
  cmake ninja-build g++ pkgconf
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libpng-dev                              # the picture painter writes PNGs through it
  fonts-ipafont-gothic fonts-liberation   # Japanese Gothic face; metric twin of Times New Roman
  fp-utils                                # chmcmd compiles the help file
  xdg-utils xchm                          # opening the help file from the game
)
test_pkgs=(
  xvfb xauth xdotool x11-utils            # tests that need a real X server; driving the packaged game
  binutils-mingw-w64-i686                 # windres, to check the Windows resource script
  dpkg-dev file lintian                   # building and checking the Debian package
  desktop-file-utils appstream            # validating the desktop entry and metainfo
  valgrind clang libclang-rt-14-dev       # memcheck run, the model fuzzer
  libbenchmark-dev
  libchm-dev                              # reading the compiled help file back in its test
  orca at-spi2-core dbus-daemon           # the screen reader test: Orca listening on the accessibility bus
  g++-mingw-w64-i686                      # cross-compiling the 32-bit Windows program (./build.sh windows)
  nsis unzip                              # the Windows installer (makensis); unpacking the portable zip in its test
  locales                                 # the Japanese locale that Wine runs the Windows tests in
)
# The web page: Emscripten compiles it, python3 serves it (./build.sh
# run-web); its tests drive Debian's Chromium from node (puppeteer-core,
# installed by npm into the build tree).
web_pkgs=(cmake ninja-build emscripten nodejs python3)
web_test_pkgs=(chromium)
# Running the Windows program and its tests under Wine. Installed with their
# recommended packages: Wine's X11 driver, fonts and sound are only recommends.
wine_pkgs=(wine wine32:i386 fonts-wine)

case "${1:-run}" in
  run) wanted=("${run_pkgs[@]}"); wanted_wine=() ;;
  test) wanted=("${run_pkgs[@]}" "${test_pkgs[@]}" "${web_pkgs[@]}" "${web_test_pkgs[@]}")
        wanted_wine=("${wine_pkgs[@]}") ;;
  web) wanted=("${web_pkgs[@]}"); wanted_wine=() ;;
  *) echo "usage: $0 run|test|web" >&2; exit 2 ;;
esac
# npm comes with some builds of nodejs (NodeSource's) and as a package of its
# own with Debian's; only the tests need it.
if [ "${1:-run}" = test ] && ! command -v npm >/dev/null; then
  wanted+=(npm)
fi

installed() {
  dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null | grep -q '^ii'
}
missing=()
for p in "${wanted[@]}"; do
  installed "$p" || missing+=("$p")
done
missing_wine=()
for p in "${wanted_wine[@]}"; do
  installed "$p" || missing_wine+=("$p")
done
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi

if [ ${#missing[@]} -gt 0 ] || [ ${#missing_wine[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]} ${missing_wine[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # The 32-bit Wine comes from Debian's i386 architecture.
  if [ ${#missing_wine[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
  fi
  # A mirror caught mid-sync fails an update now and then; try again.
  for attempt in 1 2 3 4; do
    "${sudo[@]}" apt-get update -qq && break
    # Still failing: go on with the lists that did come; the install
    # below says plainly if a package is then not to be had.
    [ "$attempt" -lt 4 ] || { echo "apt-get update failed; going on with the lists it has" >&2; break; }
    echo "apt-get update failed; trying again in $((attempt * 20)) s" >&2
    sleep $((attempt * 20))
  done
  if [ ${#missing[@]} -gt 0 ]; then
    "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  if [ ${#missing_wine[@]} -gt 0 ]; then
    "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=300 install -y -qq "${missing_wine[@]}" >/dev/null
  fi
fi

# Wine takes a program's code page from the Unix locale it runs in, and
# falls back to code page 1252 when glibc does not know that locale: the
# Windows tests run the game in ja_JP.UTF-8, as on Japanese Windows (932),
# which Debian only has once it is generated.
if [ "${1:-run}" = test ] && ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  echo "Generating the locale ja_JP.UTF-8"
  if grep -q '^[# ]*ja_JP\.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    "${sudo[@]}" sed -i 's/^[# ]*\(ja_JP\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  else
    echo 'ja_JP.UTF-8 UTF-8' | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${sudo[@]}" locale-gen >/dev/null
fi
