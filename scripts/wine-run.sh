#!/usr/bin/env bash
# wine-run.sh [--fresh-prefix] PROGRAM.exe [ARGS...]
# Runs a Windows program of the build tree under Wine with the tree's own prefix and
# Xvfb display, starting both (and a persistent wineserver) on first use. This is
# CMAKE_CROSSCOMPILING_EMULATOR, so every ctest test comes through here.
# --fresh-prefix runs in a throw-away copy of the prefix (own registry, own wineserver,
# own named objects) on an X display of its own, both removed afterwards; the prefix
# itself then gets no server.
set -Eeuo pipefail
# Wine's own messages are off (WINEDEBUG=-all): a step of ours that fails says so.
trap 'echo "wine-run.sh: line $LINENO: \"$BASH_COMMAND\" failed" >&2' ERR
here=$(cd "$(dirname "$0")" && pwd)
: "${QP_BUILD:=$(cd "$here/../build" && pwd)}"
export QP_BUILD

fresh=0
if [ "${1:-}" = "--fresh-prefix" ]; then fresh=1; shift; fi
source "$here/wine-env.sh"

start_wineserver() {
  # A persistent server, and the prefix's own services (services.exe, winedevice...)
  # started now with their streams away from ours: they live as long as the server,
  # and ctest waits for every process that holds a test's output pipe.
  # wineserver -p fails when the prefix's server already runs: then all is up.
  if wineserver -p </dev/null >/dev/null 2>&1 9>&-; then
    wine wineboot </dev/null >/dev/null 2>&1 9>&-
  fi
}

# Copies the template prefix into $1/prefix. System files are shared read-only through
# hard links; the registry files and the user's profile are real copies because Wine
# rewrites them.
copy_prefix() {
  local template="$WINEPREFIX"
  cp -al "$template" "$1/prefix"
  for f in "$template"/*.reg; do cp --remove-destination "$f" "$1/prefix/"; done
  rm -rf "$1/prefix/drive_c/users" && cp -a "$template/drive_c/users" "$1/prefix/drive_c/"
  # Every test meets the stand-in's first start (its demo pen docked, no password), not
  # what a demo or a manual run left in the template.
  rm -rf "$1"/prefix/drive_c/users/*/AppData/Roaming/Velar/PenManagerStandIn
}

if [ "$fresh" = 1 ]; then
  tmp=$(mktemp -d "$QP_WINE_DIR/fresh.XXXXXX")
  trap 'rm -rf "$tmp"' EXIT
fi
(
  flock 9
  "$here/xvfb.sh" ensure 9>&-
  read -r n _ <"$QP_WINE_DIR/display"
  export DISPLAY=":$n"
  "$here/wine-prefix.sh" 9>&-
  "$here/wine-register.sh" 9>&-
  if [ "$fresh" = 1 ]; then
    # The template is copied with no wineserver on it: a running one saves the registry
    # now and then through a temporary file that can vanish under cp, and keeps recent
    # changes in memory only. One left by a plain run (a demo) is stopped first.
    wineserver -k >/dev/null 2>&1 9>&- || true
    wineserver -w >/dev/null 2>&1 9>&- || true
    copy_prefix "$tmp"
  else
    start_wineserver
  fi
) 9>"$QP_WINE_DIR/lock"

read -r n _ <"$QP_WINE_DIR/display"
export DISPLAY=":$n"

if [ "$fresh" = 1 ]; then
  export WINEPREFIX="$tmp/prefix"
  # A display of its own as well: the foreground window, the keyboard focus and the
  # clipboard belong to the display, and a test running beside another (ctest -j) must
  # not have them taken by the other's windows.
  setsid Xvfb -displayfd 7 -screen 0 1280x1024x24 -nolisten tcp -noreset </dev/null >/dev/null 2>&1 7>"$tmp/display" &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null || true; rm -rf "$tmp"' EXIT
  # Killed (a ctest timeout): still through the EXIT trap, so no display is left behind.
  trap 'exit 143' TERM INT HUP
  for _ in $(seq 200); do
    [ -s "$tmp/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.05
  done
  [ -s "$tmp/display" ] || { echo "wine-run.sh: could not start Xvfb" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$tmp/display")"
  start_wineserver
  rc=0
  wine "$@" || rc=$?
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  exit $rc
fi

exec wine "$@"
