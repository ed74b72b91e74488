#!/usr/bin/env bash
# xvfb.sh ensure|stop: the build tree's own X display (number kept in wine/display).
set -euo pipefail
: "${QP_BUILD:=$(cd "$(dirname "$0")/../build" && pwd)}"
source "$(dirname "$0")/wine-env.sh"
file="$QP_WINE_DIR/display"

alive() {
  [ -f "$file" ] || return 1
  local n pid
  read -r n pid <"$file" || return 1
  kill -0 "$pid" 2>/dev/null && [ -S "/tmp/.X11-unix/X$n" ]
}

case "${1:-ensure}" in
  ensure)
    if alive; then exit 0; fi
    for n in $(seq 91 199); do
      [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
      setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset </dev/null >/dev/null 2>&1 &
      pid=$!
      for _ in $(seq 100); do
        [ -S "/tmp/.X11-unix/X$n" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
      done
      if [ -S "/tmp/.X11-unix/X$n" ]; then
        echo "$n $pid" >"$file"
        exit 0
      fi
    done
    echo "xvfb.sh: could not start Xvfb" >&2
    exit 1
    ;;
  stop)
    if [ -f "$file" ]; then
      read -r n pid <"$file" || true
      kill "$pid" 2>/dev/null || true
      rm -f "$file"
    fi
    ;;
  *) echo "usage: xvfb.sh ensure|stop" >&2; exit 2 ;;
esac
