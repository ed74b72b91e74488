#!/usr/bin/env bash
# wine-register.sh: registers the build tree's COM servers (pen manager stand-in and
# its outbox copies, storage API) machine-wide in $WINEPREFIX when they are newer than the last
# registration. Wine ignores per-user class registration.
set -euo pipefail
: "${QP_BUILD:=$(cd "$(dirname "$0")/../build" && pwd)}"
source "$(dirname "$0")/wine-env.sh"

bin="$QP_BUILD/bin"
marker="$WINEPREFIX/.quillpad-registered"
servers=()
[ -f "$bin/PenManager.exe" ] && servers+=("$bin/PenManager.exe")
[ -f "$bin/PenOutbox.dll" ] && servers+=("$bin/PenOutbox.dll")
[ -f "$bin/PenStorage.dll" ] && servers+=("$bin/PenStorage.dll")
[ ${#servers[@]} -gt 0 ] || exit 0

stale=0
[ -f "$marker" ] || stale=1
for s in "${servers[@]}"; do [ "$s" -nt "$marker" ] && stale=1; done
[ "$stale" = 1 ] || exit 0

for s in "${servers[@]}"; do
  case "$s" in
    *.exe) wine "$s" /regserver ;;
    *.dll) wine regsvr32 /s "$s" ;;
  esac
done
# The server keeps new keys in memory for a while: stop it so that they are on disk
# before a fresh prefix copies the registry files (wine-run starts it again).
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
touch "$marker"
