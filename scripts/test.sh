#!/usr/bin/env bash
# Installs what is missing, checks formatting, then builds and runs every test: a plain build,
# an AddressSanitizer+UBSan build and a ThreadSanitizer build, each in its own folder.
#   test.sh               all three builds
#   test.sh plain|asan|tsan   just that one (after the format check)
# Only failures, skipped tests and CTest's closing lines are shown; each build's whole test
# output is kept in build/<name>/ctest.log. The plain build also runs every test binary whole,
# as one process, in its own order and in the shuffled orders of the seeds below (CTest gives
# each test its own process, which hides what one test leaves for the next); their output is
# kept in build/plain/whole/. The run ends with one line per build and a total.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

builds=(plain asan tsan)
shuffle_seeds=(1 2)
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
    built_ok=no
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
    built_ok=yes
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

# Runs every test binary of the build whole, in order and once per shuffle seed, side by side,
# each under a virtual display of its own; one summary line, counting a binary's run as one
# test. Seed "-" is the binary's own order.
run_whole_binaries() {
    local dir=$1 started=$SECONDS
    local out="$dir/whole"
    rm -rf "$out"
    mkdir -p "$out"
    local binaries=()
    mapfile -t binaries < <(find "$dir/tests" -maxdepth 1 -type f -executable -name '*_tests' | sort)
    if [[ ${#binaries[@]} -eq 0 ]]; then
        summary+=("plain whole binaries: none found")
        total_failed=$((total_failed + 1))
        return
    fi
    echo "== plain whole binaries, in order and shuffled with seeds ${shuffle_seeds[*]}"
    local runs=()
    for binary in "${binaries[@]}"; do
        for seed in - "${shuffle_seeds[@]}"; do
            runs+=("$binary $seed")
        done
    done
    # Each line gives the binary and the seed; the folder comes first, as $0.
    printf '%s\n' "${runs[@]}" | xargs -P "$jobs" -L 1 bash -c '
        out=$0 binary=$1 seed=$2 name=$(basename "$1") order=()
        [[ $seed == - ]] || order=(--gtest_shuffle --gtest_random_seed="$seed")
        if xvfb-run -a -s "-screen 0 1600x1200x24" "$binary" "${order[@]}" \
            >"$out/$name-$seed.log" 2>&1; then
            echo passed >"$out/$name-$seed.status"
        else
            echo failed >"$out/$name-$seed.status"
        fi' "$out" || true
    local passed=0 failed=0 run binary seed name
    for run in "${runs[@]}"; do
        read -r binary seed <<<"$run"
        name=$(basename "$binary")
        if [[ $(cat "$out/$name-$seed.status" 2>/dev/null) == passed ]]; then
            passed=$((passed + 1))
        else
            failed=$((failed + 1))
            echo "FAILED whole: $name with seed $seed (log $out/$name-$seed.log):"
            if grep -q -E '^\[  FAILED  \]' "$out/$name-$seed.log"; then
                grep -E '^\[  FAILED  \]' "$out/$name-$seed.log" | head -20
            else
                tail -20 "$out/$name-$seed.log"
            fi
        fi
    done
    summary+=("plain whole binaries: $passed passed, $failed failed, 0 skipped in $((SECONDS - started)) s")
    total_passed=$((total_passed + passed))
    total_failed=$((total_failed + failed))
}

for name in "${builds[@]}"; do
    run_build "$name"
    if [[ $name == plain && $built_ok == yes ]]; then
        run_whole_binaries "$root/build/plain"
    fi
done

echo "== summary"
printf '%s\n' "${summary[@]}"
echo "$total_passed passed, $total_failed failed, $total_skipped skipped"
[[ $total_failed -eq 0 ]]
