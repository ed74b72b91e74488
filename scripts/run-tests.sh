#!/usr/bin/env bash
# run-tests.sh: every ctest test of the build tree, then the tree's Wine stopped again.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
: "${QP_BUILD:=$here/../build}"
export QP_BUILD
start=$(date +%s)
ctest --test-dir "$QP_BUILD" --output-on-failure -j "$(nproc)" "$@"
rc=$?
"$here/wine-stop.sh"
echo "run-tests: ctest finished with $rc after $(( $(date +%s) - start )) s"
exit $rc
