#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Quibex Crypto team
#
# Photographs the window in its start state on a virtual X server, managed by
# a small window manager with its stock settings (so that it is placed and
# activated as on a desktop), at 100 %, 150 % and 200 % scaling
# (QT_SCALE_FACTOR). Each picture is the window's own area, its menu bar and
# controls: the title bar and border are the window manager's, and differ from
# one desktop to the next. Writes <builddir>/screenshot.png, screenshot-150.png
# and screenshot-200.png.
set -euo pipefail
build_dir="${1:-build}"
program="$build_dir/quibex-crypto"

work="$(mktemp -d)"
pids=()
stop_all() {
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  pids=()
}
cleanup() {
  stop_all
  rm -rf "$work"
}
trap cleanup EXIT

wait_for() { # seconds, command...
  local tries=$(($1 * 10))
  shift
  until "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    if [ "$tries" -le 0 ]; then
      return 1
    fi
    sleep 0.1
  done
}

start_server() { # screen size
  # Xvfb picks a free display number and writes it to fd 3; other sessions
  # may be starting servers at the same moment, so a lost race is tried again.
  # Without -noreset the server starts over when its first client (the
  # check below) leaves, and refuses the next one meanwhile.
  local attempt xvfb
  for attempt in 1 2 3; do
    : >"$work/display"
    Xvfb -displayfd 3 -screen 0 "$1x24" -dpi 96 -nolisten tcp -noreset \
      3>"$work/display" 2>"$work/xvfb.log" &
    xvfb=$!
    if wait_for 10 test -s "$work/display"; then
      export DISPLAY=":$(head -n1 "$work/display")"
      if wait_for 5 xdpyinfo; then
        pids+=("$xvfb")
        return 0
      fi
    fi
    kill "$xvfb" 2>/dev/null || true
    unset DISPLAY
  done
  echo "Xvfb n'a pas démarré :" >&2
  cat "$work/xvfb.log" >&2
  exit 1
}

start_window_manager() {
  # The system's settings, never those of the user running the script.
  openbox --sm-disable --config-file /etc/xdg/openbox/rc.xml >"$work/openbox.log" 2>&1 &
  pids+=($!)
  wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
  wait_for 10 wm_ready || {
    echo "openbox n'a pas démarré :" >&2; cat "$work/openbox.log" >&2; exit 1; }
}

window_id() {
  xdotool search --onlyvisible --name "Quibex Crypto" | head -n1
}

framed() {
  local window
  window="$(window_id)"
  [ -n "$window" ] && xprop -id "$window" _NET_FRAME_EXTENTS | grep -q '='
}

# The window's own area on the screen, as WIDTHxHEIGHT+X+Y.
window_area() {
  xwininfo -id "$(window_id)" | awk '
    /Absolute upper-left X:/ { x = $NF }
    /Absolute upper-left Y:/ { y = $NF }
    /^ *Width:/ { w = $NF }
    /^ *Height:/ { h = $NF }
    END { printf "%dx%d+%d+%d\n", w, h, x, y }'
}

shoot() { # scale factor, screen size, output
  start_server "$2"
  start_window_manager
  # A runtime folder of its own, so that an instance already running for
  # this user, or the one of the previous scale, does not stop this one.
  local runtime="$work/runtime-$1"
  mkdir -m 700 "$runtime"
  XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$1" \
    "$program" >"$work/program.log" 2>&1 &
  pids+=($!)
  wait_for 15 framed || {
    echo "la fenêtre n'est pas apparue :" >&2; cat "$work/program.log" >&2; exit 1; }
  # Let the window centre itself on its frame and repaint.
  sleep 1
  import -window root -crop "$(window_area)" +repage "$3"
  echo "capture écrite dans $3"
  stop_all
  unset DISPLAY
}

# The screen grows with the scale, so the window keeps the same share of it.
shoot 1 800x600 "$build_dir/screenshot.png"
shoot 1.5 1200x900 "$build_dir/screenshot-150.png"
shoot 2 1600x1200 "$build_dir/screenshot-200.png"
