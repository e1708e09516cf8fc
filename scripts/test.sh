#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: a plain build, an
# AddressSanitizer+UBSan build and a ThreadSanitizer build, each in its own folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
jobs=$(nproc)

echo "== format check"
git -C "$root" ls-files '*.cpp' '*.h' | (cd "$root" && xargs -r clang-format --dry-run --Werror)

run_suite() {
    local name=$1 sanitize=$2
    local dir="$root/build/$name"
    echo "== $name build"
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DBV_SANITIZE="$sanitize" -DBV_WERROR=ON -DBV_BUILD_BENCH=$([[ $sanitize == none ]] && echo ON || echo OFF) >/dev/null
    cmake --build "$dir" -j "$jobs"
    echo "== $name tests"
    if [[ $sanitize == none ]]; then
        # Drawing tests need a display: give the whole run a virtual one.
        (cd "$dir" && xvfb-run -a -s "-screen 0 1600x1200x24" \
            ctest -j "$jobs" --output-on-failure --timeout 600)
    else
        # Under the sanitizers the GL drivers only add noise; drawing is checked in the plain run.
        (cd "$dir" && ctest -j "$jobs" --output-on-failure --timeout 600 -LE display)
    fi
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/tests/tsan.supp"

run_suite plain none
run_suite asan address
run_suite tsan thread
