#!/usr/bin/env bash
# make chaos: the chaos driver's failure tour, then its seeded random run under Wine's
# heap checking (CHAOS_SECONDS, default 600; CHAOS_SEED replays a run), each in a fresh
# prefix. Fails on any finding and on any heap message of Wine.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
: "${QP_BUILD:=$root/build}"
export QP_BUILD
chaos=("$root/scripts/wine-run.sh" --fresh-prefix "$QP_BUILD/bin/chaos.exe")
rc=0
"${chaos[@]}" tour "Z:$root/src/pen/PenManager.idl" || rc=1
log=$(mktemp)
WINEDEBUG=warn+heap "${chaos[@]}" random "${CHAOS_SECONDS:-600}" 2>&1 | tee "$log"
[ "${PIPESTATUS[0]}" = 0 ] || rc=1
if grep -E "(warn|err|fixme):heap" "$log" >/dev/null; then
  echo "chaos: Wine reported heap messages:"; grep -E "(warn|err|fixme):heap" "$log" | head -20; rc=1
fi
rm -f "$log"
"$root/scripts/wine-stop.sh"
echo "chaos: finished with $rc"
exit $rc
