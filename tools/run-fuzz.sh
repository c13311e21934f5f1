#!/usr/bin/env bash
# Fuzzes the sound file intake and the device link with libFuzzer (Clang),
# AddressSanitizer and UndefinedBehaviorSanitizer: each target runs for a
# bounded time on a copy of its seed corpus (tests/fuzz/corpus/<target>).
#
#   tools/run-fuzz.sh [SECONDS-PER-TARGET]      default 60
#
# Prints each target's executions and findings. Inputs that broke a property
# are kept in tests/fuzz/corpus-work/<target>-findings/ (not committed); run
# one again with build-fuzz/bin/<target> FILE. Exits non-zero on any finding.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
build="$root/build-fuzz"
work="$root/tests/fuzz/corpus-work"
targets=(fuzz_soundfile fuzz_replies)

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g" -DVQ250_FUZZ=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

status=0
for target in "${targets[@]}"; do
  corpus="$work/$target"
  findings="$work/$target-findings"
  log="$work/$target.log"
  rm -rf "$corpus" "$findings"
  mkdir -p "$corpus" "$findings"
  cp "$root/tests/fuzz/corpus/$target"/* "$corpus"/
  # A reply script needs one byte per awaited byte, so let them be long from the start.
  extra=()
  [ "$target" = fuzz_replies ] && extra=(-len_control=0 -max_len=512)
  "$build/bin/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "${extra[@]}" "$corpus" >"$log" 2>&1 || status=1
  execs="$(grep -o 'number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')"
  found="$(find "$findings" -type f | wc -l)"
  echo "$target: $execs executions in ${seconds} s, corpus grew to $(find "$corpus" -type f | wc -l) inputs, $found findings (log: $log)"
  if [ "$found" -gt 0 ]; then
    status=1
    grep -m1 -E 'property broken|ERROR: (AddressSanitizer|libFuzzer)|runtime error' "$log" || true
  fi
done
exit "$status"
