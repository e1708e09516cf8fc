#!/usr/bin/env bash
# Installs what is missing, builds the workstation and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DBV_BUILD_TESTS=OFF -DBV_BUILD_BENCH=OFF
cmake --build "$root/build/release" --target brimvale
exec "$root/build/release/proj.linux/brimvale" "$@"
