#!/usr/bin/env bash
# wine-stop.sh: ends the wineserver of the build tree's prefix and its Xvfb.
set -uo pipefail
: "${QP_BUILD:=$(cd "$(dirname "$0")/../build" && pwd)}"
source "$(dirname "$0")/wine-env.sh"
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1
"$QP_SCRIPTS/xvfb.sh" stop
exit 0
