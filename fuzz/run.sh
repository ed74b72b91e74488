#!/usr/bin/env bash
# make fuzz: builds the validating edits' rules natively with libFuzzer and the address
# and undefined-behaviour sanitizers, one target per rule, and runs each for
# FUZZ_SECONDS (default 60) from the seed corpus in fuzz/corpus. Not part of make test.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${QP_BUILD:-$root/build}/fuzz
seconds=${FUZZ_SECONDS:-60}

# clang and its libFuzzer/sanitizer runtime (Debian 12: clang-14, libclang-rt-14-dev).
packages=(clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  echo "fuzz: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

mkdir -p "$out"
flags=(-std=c++20 -O1 -g -Wall -Wextra -Werror -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=undefined -I"$root/src")
targets=(length email host phone)
for i in "${!targets[@]}"; do
  name=${targets[$i]}
  echo "fuzz: building $out/edit_rules_$name"
  clang++ "${flags[@]}" -DEDIT_RULE="$i" "$root/fuzz/EditRulesFuzz.cpp" "$root/src/controls/EditRules.cpp" \
    -o "$out/edit_rules_$name"
done

status=0
summary=()
for name in "${targets[@]}"; do
  # New inputs go to the build tree; the seeds in the tree are only read.
  work="$out/corpus/$name"
  mkdir -p "$work"
  log="$out/edit_rules_$name.log"
  echo "fuzz: running edit_rules_$name for ${seconds}s"
  if ! "$out/edit_rules_$name" -max_total_time="$seconds" -print_final_stats=1 -max_len=300 \
      -artifact_prefix="$out/${name}-" "$work" "$root/fuzz/corpus/$name" >"$log" 2>&1; then
    echo "fuzz: edit_rules_$name FAILED, see $log"
    grep -m1 -A2 'PROPERTY FAILED\|ERROR:' "$log" || true
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  secs=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\2/p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  summary+=("edit_rules_$name: ${runs:-?} inputs in ${secs:-?} s, ${rate:-?} inputs/s")
done
printf 'fuzz: %s\n' "${summary[@]}"
exit $status
