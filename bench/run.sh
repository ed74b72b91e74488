#!/usr/bin/env bash
# bench/run.sh: runs the performance drivers of the build tree, each in a fresh Wine
# prefix, and leaves their JSON in $QP_BUILD/bench/. Expects a built tree (make bench).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
: "${QP_BUILD:=$here/../build}"
export QP_BUILD=$(cd "$QP_BUILD" && pwd)
out="$QP_BUILD/bench"
mkdir -p "$out"

rc=0
# BENCHES picks drivers (default all); SHEET_PARTS the sheet driver's parts. The figures
# of bench/baseline/NAME.json (measured before the start-up and reload work, on the same
# kind of machine) are written back beside the sheet's and the pen connection's.
: "${BENCHES:=pen_connection sheet server_test installer}"
# The installer's driver measures one install and uninstall per fresh prefix and adds
# them to those it keeps beside its JSON: it runs five times.
for bench in $BENCHES; do
  json="$out/${bench//_/-}.json"
  rm -f "$json" "$json.samples"
  # The driver writes through Wine's Z: drive, which maps the Unix root.
  args=("Z:$json")
  before="$here/baseline/${bench//_/-}.json"
  case "$bench" in
    sheet) args+=("${SHEET_PARTS:-startup,dock,about,details,idle,log}")
           [ -f "$before" ] && args+=("Z:$before") ;;
    pen_connection) [ -f "$before" ] && args+=("Z:$before") ;;
  esac
  runs=1
  [ "$bench" = installer ] && runs=5
  for _ in $(seq $runs); do
    "$here/../scripts/wine-run.sh" --fresh-prefix "$QP_BUILD/bin/${bench}_bench.exe" "${args[@]}" || rc=$?
  done
  if [ -f "$json" ]; then cat "$json"; else echo "bench: $bench wrote no figures" >&2; rc=1; fi
done
"$here/../scripts/wine-stop.sh"
exit $rc
