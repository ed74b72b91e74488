#!/usr/bin/env bash
# wine-prefix.sh: make sure the Wine prefix ($WINEPREFIX, default build/wine/prefix)
# exists and is set up for Quillpad; reuses it when it already is.
set -euo pipefail
: "${QP_BUILD:=$(cd "$(dirname "$0")/../build" && pwd)}"
source "$(dirname "$0")/wine-env.sh"

marker="$WINEPREFIX/.quillpad-prefix"
[ -f "$marker" ] && exit 0

mkdir -p "$WINEPREFIX"
wine wineboot -i >/dev/null 2>&1 || true
# A virtual desktop: without a window manager, hiding or destroying a window
# otherwise stalls for two seconds and title bars are not drawn.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
# Crash dialogs would hang a headless test run.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver -w
touch "$marker"
