#!/usr/bin/env bash
# run-tests.sh: every ctest test of the build tree, then the tree's Wine stopped again.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
: "${QP_BUILD:=$here/../build}"
export QP_BUILD
start=$(date +%s)
# A test that fails is run once more before the run counts as failed: under load Wine now
# and then refuses a process start or leaves a cross-process call unanswered (see the
# README's notes on flakes). A real fault fails both times; the first failure stays in
# the output.
ctest --test-dir "$QP_BUILD" --output-on-failure -j "$(nproc)" --repeat until-pass:2 "$@"
rc=$?
"$here/wine-stop.sh"
echo "run-tests: ctest finished with $rc after $(( $(date +%s) - start )) s"
exit $rc
