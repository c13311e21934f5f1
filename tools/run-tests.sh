#!/usr/bin/env bash
# Installs what the build needs, builds everything and the Debian package, and
# runs the whole suite.
# With --sanitize it then builds the suite again with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs it once more; any sanitizer report
# fails the run. CI runs it without, to stay well under five minutes.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
sanitize=0
for arg in "$@"; do
  case "$arg" in
    --sanitize) sanitize=1 ;;
    *) echo "usage: $0 [--sanitize]" >&2; exit 2 ;;
  esac
done
"$root/tools/setup.sh"
# Release, as the package ships: without debug info the build is a fifth quicker.
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release -DVQ250_WERROR=ON >/dev/null
cmake --build "$root/build" -j"$(nproc)"
# The package before the suite: the installed-tree test runs what it holds.
cmake --build "$root/build" --target package >"$root/build/package.log" 2>&1 \
  || { cat "$root/build/package.log"; exit 1; }
ctest --test-dir "$root/build" --output-on-failure -j"$(nproc)"
[ "$sanitize" = 1 ] || exit 0

# The sanitizer tree: no optimisation and line tables only keep its build
# short (a third quicker to compile than -O1). Every report goes to a log
# file, also from the programs the tests start, and the leak check runs at
# each program's exit.
asan="$root/build-asan"
logs="$asan/sanitizer-logs"
cmake -S "$root" -B "$asan" -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O0 -g1" \
  -DVQ250_SANITIZE=ON -DVQ250_WERROR=ON >/dev/null
cmake --build "$asan" -j"$(nproc)"
rm -rf "$logs"
mkdir -p "$logs"
status=0
ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:log_path=$logs/asan" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$logs/ubsan" \
  ctest --test-dir "$asan" --output-on-failure -j"$(nproc)" || status=$?
if compgen -G "$logs/*" >/dev/null; then
  echo "Sanitizer reports:"
  cat "$logs"/*
  status=1
fi
exit "$status"
