#!/usr/bin/env bash
# Checks of the installed layout and the Debian package, one per subcommand:
#   desktop FILE                 desktop-file-validate accepts the entry
#   metainfo FILE                appstreamcli accepts the metainfo (no network)
#   install BUILD_DIR SCRATCH    cmake --install with a DESTDIR: the layout
#                                under the prefix and the command link
#   build BUILD_DIR SCRATCH VER  cpack builds the .deb into SCRATCH/out and
#                                dpkg -x unpacks it into SCRATCH/root
#   contents SCRATCH VER CHM DESKTOP METAINFO HICOLOR
#                                control fields, file list, modes, links and
#                                the installed files against the built ones
#                                and the painted icons
#   start SCRATCH                the unpacked program starts, shows its start
#                                dialog, quits on Escape and finds its help file
#   lintian SCRATCH              lintian reports no errors
# Exit status 77 means a tool the check needs is not installed.
set -uo pipefail

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
die() { echo "FAIL: $*" >&2; exit 1; }
need() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "$tool is not installed: skipped" >&2
      exit 77
    fi
  done
}
finish() {
  [ "$failures" -eq 0 ] || die "$failures check(s) failed"
  echo "ok"
}

# The one package in SCRATCH/out.
package_file() {
  local debs=("$1"/out/*.deb)
  [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || die "expected one package in $1/out"
  echo "${debs[0]}"
}

# The value of KEY= in the [Desktop Entry] group of a desktop file.
desktop_key() {
  sed -n '/^\[Desktop Entry\]/,/^\[/p' "$1" | sed -n "s/^$2=//p" | head -n 1
}

cmd_desktop() {
  need desktop-file-validate
  local out
  out=$(desktop-file-validate "$1" 2>&1) || die "desktop-file-validate: $out"
  # It also reports hints without failing; none are expected.
  [ -z "$out" ] || die "desktop-file-validate: $out"
  echo "ok"
}

cmd_metainfo() {
  need appstreamcli
  # Fails on errors and warnings; infos and pedantic notes are accepted.
  appstreamcli validate --no-net --no-color "$1" || die "appstreamcli rejects $1"
}

cmd_install() {
  local build_dir=$1 scratch=$2
  need cmake
  local dest=$scratch/destdir prefix=/opt/velmo-test
  rm -rf "$dest"
  DESTDIR=$dest cmake --install "$build_dir" --prefix "$prefix" >/dev/null \
    || die "cmake --install failed"
  local top=$dest$prefix
  local expected actual
  expected=$(sort <<EOF
bin/velmo
lib/velmo/velmo
lib/velmo/velmo.chm
share/applications/example.velmo.Velmo.desktop
share/doc/velmo/README.md
share/doc/velmo/changelog.gz
share/doc/velmo/copyright
share/icons/hicolor/128x128/apps/velmo.png
share/icons/hicolor/16x16/apps/velmo.png
share/icons/hicolor/256x256/apps/velmo.png
share/icons/hicolor/32x32/apps/velmo.png
share/icons/hicolor/48x48/apps/velmo.png
share/icons/hicolor/64x64/apps/velmo.png
share/man/ja/man6/velmo.6.gz
share/man/man6/velmo.6.gz
share/metainfo/example.velmo.Velmo.metainfo.xml
EOF
)
  # Everything lands under DESTDIR and the prefix, nothing beside them.
  actual=$(cd "$dest" && find . ! -type d | sed "s|^\.$prefix/||" | sort)
  [ "$actual" = "$expected" ] \
    || fail "installed files differ (< expected, > installed):
$(diff <(echo "$expected") <(echo "$actual") | grep '^[<>]')"
  [ "$(readlink "$top/bin/velmo")" = ../lib/velmo/velmo ] \
    || fail "bin/velmo links to '$(readlink "$top/bin/velmo")'"
  [ -x "$top/bin/velmo" ] || fail "bin/velmo does not lead to an executable"
  finish
}

cmd_build() {
  local build_dir=$1 scratch=$2 version=$3
  need cpack dpkg dpkg-deb dpkg-shlibdeps
  rm -rf "$scratch"
  mkdir -p "$scratch/out" "$scratch/root"
  (cd "$build_dir" && cpack --config CPackConfig.cmake -G DEB -B "$scratch/out") \
    || die "cpack failed"
  local expected
  expected="$scratch/out/velmo_${version}_$(dpkg --print-architecture).deb"
  [ -f "$expected" ] || die "no package named $(basename "$expected"): $(ls "$scratch/out")"
  dpkg -x "$expected" "$scratch/root" || die "dpkg -x failed"
  echo "ok"
}

cmd_contents() {
  local scratch=$1 version=$2 chm=$3 desktop=$4 metainfo=$5 hicolor=$6
  need dpkg-deb readelf file
  local deb root=$scratch/root
  deb=$(package_file "$scratch")
  local appdir=usr/share/applications metadir=usr/share/metainfo
  local desktop_name metainfo_name
  desktop_name=$(basename "$desktop")
  metainfo_name=$(basename "$metainfo")

  # Control fields.
  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Package)" = velmo ] || fail "Package is '$(field Package)'"
  [ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
  [ "$(field Section)" = games ] || fail "Section is '$(field Section)'"
  [ "$(field Homepage)" = "https://velmo.example/" ] || fail "Homepage is '$(field Homepage)'"
  [ -n "$(field Maintainer)" ] || fail "no Maintainer"
  [ -n "$(field Description)" ] || fail "no Description"
  local depends recommends
  depends=$(field Depends)
  recommends=$(field Recommends)
  local want
  for want in "fonts-ipafont-gothic | fonts-noto-cjk | fonts-vlgothic" fonts-liberation \
      xdg-utils libqt6core6 libqt6gui6 libqt6widgets6 libc6 libstdc++6; do
    # Whole alternatives or package names, not prefixes of other names.
    grep -Eq "(^|, )$(printf '%s' "$want" | sed 's/[|+.]/\\&/g')( \(|,|$)" <<<"$depends" \
      || fail "Depends lacks '$want': $depends"
  done
  grep -q "xchm | kchmviewer" <<<"$recommends" || fail "Recommends lacks the help viewer: $recommends"

  # The complete file list, with modes and owners as the archive holds them.
  local listing
  listing=$(dpkg-deb -c "$deb") || die "dpkg-deb -c failed"
  local expected_files actual_files
  expected_files=$(sort <<EOF
./usr/games/velmo
./usr/lib/velmo/velmo
./usr/lib/velmo/velmo.chm
./$appdir/$desktop_name
./$metadir/$metainfo_name
./usr/share/doc/velmo/README.md
./usr/share/doc/velmo/changelog.gz
./usr/share/doc/velmo/copyright
./usr/share/icons/hicolor/16x16/apps/velmo.png
./usr/share/icons/hicolor/32x32/apps/velmo.png
./usr/share/icons/hicolor/48x48/apps/velmo.png
./usr/share/icons/hicolor/64x64/apps/velmo.png
./usr/share/icons/hicolor/128x128/apps/velmo.png
./usr/share/icons/hicolor/256x256/apps/velmo.png
./usr/share/man/ja/man6/velmo.6.gz
./usr/share/man/man6/velmo.6.gz
EOF
)
  actual_files=$(awk '$1 !~ /^d/ {print $6}' <<<"$listing" | sort)
  [ "$actual_files" = "$expected_files" ] \
    || fail "file list differs (< expected, > packaged):
$(diff <(echo "$expected_files") <(echo "$actual_files") | grep '^[<>]')"
  awk '$2 != "root/root"' <<<"$listing" | grep . && fail "entries not owned by root"
  awk '$1 ~ /^d/ && $1 != "drwxr-xr-x"' <<<"$listing" | grep . && fail "directories not 0755"
  awk '$1 ~ /^-/ && $6 != "./usr/lib/velmo/velmo" && $1 != "-rw-r--r--"' <<<"$listing" \
    | grep . && fail "data files not 0644"
  grep -Eq '^-rwxr-xr-x .* \./usr/lib/velmo/velmo$' <<<"$listing" \
    || fail "the executable is not 0755"

  # The command: a relative link that leads to the executable, beside which
  # lies the help file the game opens.
  local link=$root/usr/games/velmo
  if [ -L "$link" ]; then
    case "$(readlink "$link")" in
      /*) fail "usr/games/velmo is an absolute link: $(readlink "$link")" ;;
    esac
    [ "$(realpath "$link")" = "$(realpath "$root/usr/lib/velmo/velmo")" ] \
      || fail "usr/games/velmo leads to $(realpath "$link")"
  else
    fail "usr/games/velmo is not a symbolic link"
  fi
  local exe=$root/usr/lib/velmo/velmo
  file -b "$exe" | grep -q '^ELF .*, stripped' || fail "executable not a stripped ELF: $(file -b "$exe")"
  readelf -d "$exe" | grep -Eq '\((RPATH|RUNPATH)\)' && fail "the executable carries an RPATH"
  cmp -s "$chm" "$root/usr/lib/velmo/velmo.chm" || fail "the packaged help file differs from $chm"

  # Desktop integration: the installed files are the generated ones, and they
  # name each other and the package's command and icons consistently.
  cmp -s "$desktop" "$root/$appdir/$desktop_name" || fail "packaged desktop entry differs"
  cmp -s "$metainfo" "$root/$metadir/$metainfo_name" || fail "packaged metainfo differs"
  local exec_cmd icon
  exec_cmd=$(desktop_key "$desktop" Exec)
  icon=$(desktop_key "$desktop" Icon)
  [ -L "$root/usr/games/${exec_cmd%% *}" ] || fail "Exec=$exec_cmd is not the package's command"
  grep -q "<launchable type=\"desktop-id\">$desktop_name</launchable>" "$metainfo" \
    || fail "metainfo does not launch $desktop_name"
  grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo lacks release $version"
  grep -q "^velmo ($version)" <(gzip -dc "$root/usr/share/doc/velmo/changelog.gz") \
    || fail "changelog does not start with version $version"
  # The icons have an alpha channel and are the painted ones, whose
  # transparent ground and opaque shape tst_assets_icons checks.
  local size png
  for size in 16 32 48 64 128 256; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png
    file -b "$png" | grep -q "^PNG image data, $size x $size, 8-bit/color RGBA," \
      || fail "icon $icon at ${size}x${size}: $(file -b "$png" 2>&1)"
    cmp -s "$hicolor/${size}x${size}/apps/$icon.png" "$png" \
      || fail "icon $icon at ${size}x${size} is not the painted one"
  done
  local gz
  for gz in usr/share/man/man6/velmo.6.gz usr/share/man/ja/man6/velmo.6.gz \
      usr/share/doc/velmo/changelog.gz; do
    gzip -t "$root/$gz" 2>/dev/null || fail "$gz is not gzip data"
  done
  # Both manual pages describe the two options the program answers.
  for gz in usr/share/man/man6/velmo.6.gz usr/share/man/ja/man6/velmo.6.gz; do
    for want in '\-\-help' '\-\-version'; do
      gzip -dc "$root/$gz" | grep -qxF ".B $want" || fail "$gz does not describe $want"
    done
  done
  grep -q '^License: Expat' "$root/usr/share/doc/velmo/copyright" || fail "copyright names no licence"
  finish
}

# Runs velmo (the package's command) in the background; sets pid.
start_game() {
  "$root/usr/games/velmo" >"$scratch/run/stdout" 2>"$scratch/run/stderr" &
  pid=$!
}

# Waits up to $1 tenths of a second for process $pid to end; its status in status.
await_exit() {
  local i
  for ((i = 0; i < $1; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    wait "$pid"
    return 1
  fi
  wait "$pid"
  status=$?
  return 0
}

# The visible top-level windows of process $pid titled Velmo.
velmo_windows() {
  xdotool search --onlyvisible --pid "$pid" --name '^Velmo$' 2>/dev/null
}

# Window $1's titles as the X server holds them (WM_NAME, _NET_WM_NAME) are
# both exactly $2: nothing added to the title the program gives.
check_titles() {
  local props
  props=$(LC_ALL=C.UTF-8 xprop -notype -id "$1" WM_NAME _NET_WM_NAME)
  [ "$props" = "WM_NAME = \"$2\""$'\n'"_NET_WM_NAME = \"$2\"" ] || fail "window titles: $props"
}

# Under an X server (xvfb-run): the start dialog appears and Escape quits with
# status 0; a second run starts a game, asks xdg-open for the help file
# beside the resolved executable and shows a refusal box. Every window keeps
# exactly its own title.
cmd_start_x() {
  scratch=$1
  root=$scratch/root
  export QT_QPA_PLATFORM=xcb
  local dialog game i status

  start_game
  dialog=$(timeout 10 xdotool search --sync --onlyvisible --pid "$pid" --name '^Velmo$' | head -n 1)
  [ -n "$dialog" ] || { kill "$pid"; die "no start dialog appeared"; }
  [ "$(xdotool getwindowgeometry "$dialog" | sed -n 's/.*Geometry: //p')" = 320x240 ] \
    || fail "start dialog geometry: $(xdotool getwindowgeometry "$dialog")"
  # Desktops match windows to the entry by their class.
  local wm_class
  wm_class=$(desktop_key "$root/usr/share/applications/example.velmo.Velmo.desktop" StartupWMClass)
  [ "$(xprop -id "$dialog" WM_CLASS)" = "WM_CLASS(STRING) = \"$wm_class\", \"$wm_class\"" ] \
    || fail "start dialog $(xprop -id "$dialog" WM_CLASS), not StartupWMClass=$wm_class"
  check_titles "$dialog" Velmo
  xdotool windowfocus --sync "$dialog" && xdotool key Escape
  await_exit 50 || die "Escape in the start dialog did not end the program"
  [ "$status" -eq 0 ] || fail "the program ended with status $status after Escape"
  [ -s "$scratch/run/stderr" ] && fail "the program wrote errors: $(cat "$scratch/run/stderr")"

  # The help button runs xdg-open with the help file: record what it is given.
  mkdir -p "$scratch/run/bin"
  printf '#!/bin/sh\nprintf "%%s\\n" "$@" > "%s/run/opened"\n' "$scratch" >"$scratch/run/bin/xdg-open"
  chmod +x "$scratch/run/bin/xdg-open"
  rm -f "$scratch/run/opened"
  PATH="$scratch/run/bin:$PATH" start_game
  dialog=$(timeout 10 xdotool search --sync --onlyvisible --pid "$pid" --name '^Velmo$' | head -n 1)
  [ -n "$dialog" ] || { kill "$pid"; die "no start dialog appeared (second run)"; }
  xdotool windowfocus --sync "$dialog" && xdotool key alt+s
  game=""
  for ((i = 0; i < 100; i++)); do
    game=$(velmo_windows | grep -vx "$dialog" | head -n 1)
    [ -n "$game" ] && break
    sleep 0.1
  done
  if [ -z "$game" ]; then
    kill "$pid"
    die "no game window after Alt+S"
  fi
  xdotool windowfocus --sync "$game" && xdotool key alt+h
  for ((i = 0; i < 50; i++)); do
    [ -s "$scratch/run/opened" ] && break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null || fail "the program ended after Alt+H"
  check_titles "$game" Velmo
  # The middle upper arrow takes from place 2, which is empty: refused.
  local box=""
  xdotool mousemove --window "$game" 240 303 click 1
  for ((i = 0; i < 50; i++)); do
    box=$(xdotool search --onlyvisible --pid "$pid" --name . 2>/dev/null | grep -vx "$game" | head -n 1)
    [ -n "$box" ] && break
    sleep 0.1
  done
  if [ -n "$box" ]; then
    check_titles "$box" できません
  else
    fail "no refusal box after a click on an arrow of the empty place"
  fi
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  [ "$(cat "$scratch/run/opened" 2>/dev/null)" = "$root/usr/lib/velmo/velmo.chm" ] \
    || fail "help opened '$(cat "$scratch/run/opened" 2>/dev/null)', not the packaged velmo.chm"
  [ -s "$scratch/run/stderr" ] && fail "the program wrote errors: $(cat "$scratch/run/stderr")"
  finish
}

cmd_start() {
  scratch=$1
  root=$scratch/root
  need xvfb-run xdotool xprop timeout
  rm -rf "$scratch/run"
  mkdir -p "$scratch/run/xdg"
  chmod 700 "$scratch/run/xdg"
  export XDG_RUNTIME_DIR=$scratch/run/xdg
  local status

  # Offscreen: it starts, stays up waiting in the start dialog, runs from the
  # private directory through the link, and has nothing to complain about.
  QT_QPA_PLATFORM=offscreen start_game
  sleep 2
  if kill -0 "$pid" 2>/dev/null; then
    [ "$(readlink "/proc/$pid/exe")" = "$(realpath "$root/usr/lib/velmo/velmo")" ] \
      || fail "running executable is $(readlink "/proc/$pid/exe")"
    kill -TERM "$pid"
    wait "$pid"
  else
    wait "$pid"
    fail "the program ended by itself offscreen (status $?)"
  fi
  [ -s "$scratch/run/stderr" ] && fail "the program wrote errors offscreen: $(cat "$scratch/run/stderr")"

  timeout 60 xvfb-run -a bash "${BASH_SOURCE[0]}" start-x "$scratch" || fail "under Xvfb"
  finish
}

cmd_lintian() {
  need lintian
  local deb
  deb=$(package_file "$1")
  # Warnings and notes are shown but accepted.
  lintian --fail-on error --display-info "$deb" || die "lintian reports errors"
  echo "ok"
}

case "${1:-}" in
  desktop) cmd_desktop "$2" ;;
  metainfo) cmd_metainfo "$2" ;;
  install) cmd_install "$2" "$3" ;;
  build) cmd_build "$2" "$3" "$4" ;;
  contents) cmd_contents "$2" "$3" "$4" "$5" "$6" "$7" ;;
  start) cmd_start "$2" ;;
  start-x) cmd_start_x "$2" ;;
  lintian) cmd_lintian "$2" ;;
  *) echo "usage: $0 desktop|metainfo|install|build|contents|start|lintian ARGS" >&2; exit 2 ;;
esac
