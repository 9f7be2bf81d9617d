#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into ${BUILD_DIR:-build-fuzz} and runs each for
# ${FUZZ_SECONDS:-30} seconds on a copy of its seed corpus under fuzz/corpus (the repo's corpus
# is never written). Exits non-zero when any target crashes, leaks, times out or aborts; the
# input that did it is kept under <build>/fuzz-artifacts/<target>/.
# Extra arguments go to the CMake configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build_dir=${BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-30}
targets=(fuzz_connection_string fuzz_like fuzz_jet_header fuzz_jpeg)

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DORLANEVA_FUZZ=ON \
    -DORLANEVA_BUILD_TESTS=OFF -DORLANEVA_BUILD_BENCH=OFF "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target "${targets[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

failed=()
for target in "${targets[@]}"; do
    echo "== fuzz $target (${seconds} s)"
    mkdir -p "$work/$target/corpus" "$work/$target/artifacts"
    cp fuzz/corpus/"$target"/* "$work/$target/corpus/"
    if ! "$build_dir/fuzz/$target" "$work/$target/corpus" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
        -artifact_prefix="$work/$target/artifacts/" -print_final_stats=1 \
        >"$work/$target/log" 2>&1; then
        failed+=("$target")
        kept="$build_dir/fuzz-artifacts/$target"
        mkdir -p "$kept"
        cp "$work/$target/artifacts/"* "$kept/" 2>/dev/null || true
        tail -n 60 "$work/$target/log"
        echo "$target FAILED; inputs kept in $kept"
    else
        grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units)' "$work/$target/log" || true
    fi
done

passed=$((${#targets[@]} - ${#failed[@]}))
echo "fuzz: ${passed} passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
