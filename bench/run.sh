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
# The installer's driver measures one install and uninstall per fresh prefix and adds
# them to those it keeps beside its JSON: it runs five times.
for bench in pen_connection sheet server_test installer; do
  json="$out/${bench//_/-}.json"
  rm -f "$json" "$json.samples"
  runs=1
  [ "$bench" = installer ] && runs=5
  for _ in $(seq $runs); do
    # The driver writes through Wine's Z: drive, which maps the Unix root.
    "$here/../scripts/wine-run.sh" --fresh-prefix "$QP_BUILD/bin/${bench}_bench.exe" "Z:$json" || rc=$?
  done
  if [ -f "$json" ]; then cat "$json"; else echo "bench: $bench wrote no figures" >&2; rc=1; fi
done
"$here/../scripts/wine-stop.sh"
exit $rc
