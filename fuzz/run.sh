#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each for a while on a copy of its
# seed corpus. A crash, a sanitizer report or a failed check fails the run; the input that
# did it is kept under the build folder and named in the output.
#
#   fuzz/run.sh [SECONDS] [TARGET...]     (default: 30 seconds, every target)
#
# FUZZ_BUILD_DIR names the build folder (default build-fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
if [ "$#" -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for source in fuzz/fuzz_*.cpp; do
        name=$(basename "$source" .cpp)
        targets+=("${name#fuzz_}")
    done
fi
build=${FUZZ_BUILD_DIR:-build-fuzz}

CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_BUILD_FUZZ=ON \
    -DTARNWICK_BUILD_GUI=OFF -DTARNWICK_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

# Undefined behaviour stops the run like a crash does.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
runs="$build/fuzz-runs"
mkdir -p "$runs"
failed=()
for target in "${targets[@]}"; do
    corpus="$runs/$target"
    rm -rf "$corpus" "$runs/$target".log "$runs/$target"-*
    cp -r "fuzz/corpus/$target" "$corpus"
    options=(-max_total_time="$seconds" -timeout=25 -print_final_stats=1
             -artifact_prefix="$runs/$target-")
    # The reply reader's caps lie at 64 KiB a line and 1 MiB a reply.
    if [ "$target" = reply ]; then
        options+=(-max_len=2097152)
    fi
    if [ -f "fuzz/$target.dict" ]; then
        options+=(-dict="fuzz/$target.dict")
    fi
    log="$runs/$target.log"
    if "$build/fuzz/fuzz_$target" "${options[@]}" "$corpus" >"$log" 2>&1; then
        verdict=clean
    else
        verdict="FAILED (see $log)"
        failed+=("$log")
    fi
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    coverage=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1 || true)
    echo "fuzz_$target: ${executions:-?} executions, ${coverage:-no coverage line}, $verdict"
done
if [ "${#failed[@]}" -gt 0 ]; then
    grep -h -A3 "fuzz check failed\|ERROR: \|runtime error" "${failed[@]}" >&2 || true
    grep -h "Test unit written to" "${failed[@]}" >&2 || true
    exit 1
fi
