#!/usr/bin/env bash
# Installs what building and running need (never the test tools), builds the workstation in
# build/release and starts it from there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" run
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DBV_BUILD_TESTS=OFF -DBV_BUILD_BENCH=OFF
cmake --build "$root/build/release" --target brimvale
exec "$root/build/release/proj.linux/brimvale" "$@"
