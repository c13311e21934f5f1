#!/usr/bin/env bash
# Installs what the build needs, builds and starts vq250-demo: the program
# talking to the built-in VQ250 emulator instead of a serial port.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target vq250-demo
exec "$root/build/bin/vq250-demo" "$@"
