#!/usr/bin/env bash
# demo.sh: starts Quillpad.exe under Wine with the build tree's prefix. With a display
# ($DISPLAY) it runs there until you close it; without one it runs on the tree's own Xvfb,
# tours what there is to see and saves screenshots in build/screenshots/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
: "${QP_BUILD:=$here/../build}"
export QP_BUILD
user_display="${DISPLAY:-}"
source "$here/wine-env.sh"
bin="$QP_BUILD/bin"
shots="$QP_BUILD/screenshots"

# Prefix, Xvfb and wineserver up (wine-run does this on first use).
"$here/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true
read -r n _ <"$QP_WINE_DIR/display"
headless=1
if [ -n "$user_display" ] && xdpyinfo -display "$user_display" >/dev/null 2>&1; then
  export DISPLAY="$user_display"
  headless=0
else
  export DISPLAY=":$n"
fi

# The console log shows what the program does.
wine reg add 'HKCU\Software\Velar\2.0\Quillpad\Debug' /v ConsoleLogLevel /t REG_DWORD /d 1 /f >/dev/null 2>&1

shot() {
  mkdir -p "$shots"
  import -display "$DISPLAY" -window root "$shots/$1.png"
  echo "demo: saved $shots/$1.png"
}

wine "$bin/Quillpad.exe" >/dev/null 2>&1 &
first=$!
sleep 4
if [ "$headless" = 0 ]; then
  echo "demo: Quillpad runs; start it again to see the hand-over in its console. Ctrl+C ends the demo."
  trap 'wine taskkill /IM Quillpad.exe >/dev/null 2>&1; exit 0' INT TERM
  wait "$first"
  exit 0
fi

shot 01-first-instance-console
echo "demo: second start with /history (hands over and ends)"
start=$(date +%s%N)
wine "$bin/Quillpad.exe" /history >/dev/null 2>&1
echo "demo: second instance ended after $(( ($(date +%s%N) - start) / 1000000 )) ms"
sleep 1
shot 02-after-second-start
wine taskkill /IM Quillpad.exe >/dev/null 2>&1 || true
wait "$first" || true
wine reg delete 'HKCU\Software\Velar\2.0\Quillpad\Debug' /v ConsoleLogLevel /f >/dev/null 2>&1 || true
echo "demo: screenshots in $shots"
