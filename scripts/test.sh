#!/usr/bin/env bash
# Installs what is missing, checks formatting, then builds and runs every test: a plain build,
# an AddressSanitizer+UBSan build and a ThreadSanitizer build, each in its own folder.
#   test.sh               all three builds
#   test.sh plain|asan|tsan   just that one (after the format check)
# Only failures, skipped tests and CTest's closing lines are shown; each build's whole test
# output is kept in build/<name>/ctest.log. The run ends with one line per build and a total.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

builds=(plain asan tsan)
if [[ $# -gt 0 ]]; then
    case "$1" in
    plain | asan | tsan) builds=("$1") ;;
    *)
        echo "usage: $0 [plain|asan|tsan]" >&2
        exit 2
        ;;
    esac
fi

"$root/scripts/setup.sh" test

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/tests/tsan.supp"

summary=()
total_passed=0
total_failed=0
total_skipped=0

echo "== format check"
if git -C "$root" ls-files '*.cpp' '*.h' | (cd "$root" && xargs -r clang-format --dry-run --Werror); then
    summary+=("format: clean")
else
    summary+=("format: FAILED")
    total_failed=$((total_failed + 1))
fi

# The number in attribute $2 of the JUnit report $1's test suite.
junit_count() {
    head -c 4096 "$1" | tr '\n\t' '  ' | grep -o -m1 "<testsuite [^>]*" |
        grep -o " $2=\"[0-9]*\"" | grep -o '[0-9]*' || echo 0
}

run_build() {
    local name=$1 sanitize bench
    case "$name" in
    plain) sanitize=none bench=ON ;;
    asan) sanitize=address bench=OFF ;;
    tsan) sanitize=thread bench=OFF ;;
    esac
    local dir="$root/build/$name" started=$SECONDS
    echo "== $name build"
    if ! cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DBV_SANITIZE="$sanitize" -DBV_WERROR=ON -DBV_BUILD_BENCH=$bench >/dev/null ||
        ! cmake --build "$dir" -j "$jobs" -- --quiet; then
        summary+=("$name: build FAILED after $((SECONDS - started)) s")
        total_failed=$((total_failed + 1))
        return
    fi
    local built=$SECONDS
    echo "== $name tests"
    local ctest=(ctest -j "$jobs" --output-on-failure --timeout 600 --output-junit junit.xml)
    if [[ $sanitize == none ]]; then
        # The drawing tests open real windows: give the whole run a virtual display.
        ctest=(xvfb-run -a -s "-screen 0 1600x1200x24" "${ctest[@]}")
    else
        # Under the sanitizers the GL drivers only add noise; drawing is checked in the plain run.
        ctest+=(-LE display)
    fi
    rm -f "$dir/junit.xml"
    # Passing tests are left out of the screen (they are in ctest.log).
    set +e
    (cd "$dir" && "${ctest[@]}") 2>&1 | tee "$dir/ctest.log" |
        grep --line-buffered -v -E '^ +Start +[0-9]+: |^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed +[0-9.]+ sec$'
    local status=${PIPESTATUS[0]}
    set -e
    if [[ ! -s "$dir/junit.xml" ]]; then
        summary+=("$name: tests did not run (ctest status $status)")
        total_failed=$((total_failed + 1))
        return
    fi
    local tests failed skipped passed
    tests=$(junit_count "$dir/junit.xml" tests)
    failed=$(junit_count "$dir/junit.xml" failures)
    skipped=$(($(junit_count "$dir/junit.xml" skipped) + $(junit_count "$dir/junit.xml" disabled)))
    passed=$((tests - failed - skipped))
    if [[ $status -ne 0 && $failed -eq 0 ]]; then
        failed=1  # ctest failed without naming a test
    fi
    summary+=("$name: $passed passed, $failed failed, $skipped skipped in $((SECONDS - started)) s (build $((built - started)) s, tests $((SECONDS - built)) s)")
    total_passed=$((total_passed + passed))
    total_failed=$((total_failed + failed))
    total_skipped=$((total_skipped + skipped))
}

for name in "${builds[@]}"; do
    run_build "$name"
done

echo "== summary"
printf '%s\n' "${summary[@]}"
echo "$total_passed passed, $total_failed failed, $total_skipped skipped"
[[ $total_failed -eq 0 ]]
