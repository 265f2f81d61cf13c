#!/usr/bin/env bash
# Reliability checks after the ordinary host tests: the host tests built with clang's
# AddressSanitizer and UndefinedBehaviorSanitizer (build/asan), then each libFuzzer target for a
# fixed number of inputs (build/fuzz), with a summary at the end.
#
# A long fuzzing run of one target (after this script has built it), for example an hour:
#   mkdir -p build/fuzz/corpus-setup_run
#   build/fuzz/tests/fuzz/fuzz_setup_run -max_total_time=3600 -timeout=30 \
#       build/fuzz/corpus-setup_run tests/fuzz/corpus/setup_run
# (targets: fuzz_setup_run, fuzz_dialog_texts, fuzz_brinmoor; corpus folders of the same names).
# New inputs go to the first folder; a finding is written as crash-* in the working directory
# and is replayed with: build/fuzz/tests/fuzz/fuzz_<target> crash-<hash>
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
runs=${FUZZ_RUNS:-200}
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)

summary=()
status=0

echo "== Host tests with AddressSanitizer and UndefinedBehaviorSanitizer (build/asan)"
CC=clang CXX=clang++ cmake -S . -B build/asan "${generator[@]}" -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON
cmake --build build/asan -j"$jobs"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
if ctest --test-dir build/asan --output-on-failure -j"$jobs" >build/asan/ctest.log 2>&1; then
    summary+=("sanitizer build: $(grep -E 'tests passed' build/asan/ctest.log)")
else
    cat build/asan/ctest.log
    summary+=("sanitizer build: FAILED ($(grep -E 'tests passed|tests failed' build/asan/ctest.log))")
    status=1
fi
grep -h '^\[ sweep    \]' build/asan/Testing/Temporary/LastTest.log 2>/dev/null | sort -u \
    | sed 's/^\[ sweep    \] /fault sweep: /' >build/asan/sweep.txt || true
while IFS= read -r line; do summary+=("$line"); done <build/asan/sweep.txt

echo "== Fuzz targets, $runs inputs each (build/fuzz)"
CC=clang CXX=clang++ cmake -S . -B build/fuzz "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSANITIZE=ON -DFUZZ=ON -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link \
    -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
targets=(setup_run dialog_texts brinmoor)
cmake --build build/fuzz -j"$jobs" --target "${targets[@]/#/fuzz_}"
for target in "${targets[@]}"; do
    work=build/fuzz/corpus-$target
    mkdir -p "$work"
    log=build/fuzz/fuzz_$target.log
    # Findings are written into build/fuzz, never into the source tree.
    if (cd build/fuzz && "tests/fuzz/fuzz_$target" -runs="$runs" -timeout=30 \
            -artifact_prefix="$PWD/" "corpus-$target" "../../tests/fuzz/corpus/$target") \
        >"$log" 2>&1; then
        done_line=$(grep -E '^Done [0-9]+ runs' "$log" | tail -1)
        summary+=("fuzz_$target: ${done_line:-finished}")
    else
        tail -40 "$log"
        summary+=("fuzz_$target: FINDING (see $log)")
        status=1
    fi
done

echo
echo "== Reliability summary"
printf '  %s\n' "${summary[@]}"
exit $status
