#!/usr/bin/env bash
# Builds the fuzzers with clang, AddressSanitizer and UndefinedBehaviorSanitizer, and runs
# each for FUZZ_SECONDS (default 60). The corpus grows in <build root>/fuzz-corpus and is
# reused by the next run; a failing input is written to <build root>/fuzz-artifacts.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${TOLU_BUILD_ROOT:-$root/build}
jobs=${JOBS:-$(nproc)}
seconds=${FUZZ_SECONDS:-60}

bash "$root/scripts/setup.sh"

CC=clang CXX=clang++ cmake -S "$root" -B "$out/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOLU_WERROR=ON -DTOLU_SANITIZE=address,undefined -DTOLU_BUILD_FUZZ=ON \
    -DTOLU_BUILD_TESTS=OFF -DTOLU_BUILD_BENCH=OFF -DTOLU_BUILD_EXAMPLES=OFF \
    -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
cmake --build "$out/fuzz" -j "$jobs"

mkdir -p "$out/fuzz-artifacts"
# The scene-file fuzzer knows the format's words, takes longer inputs, and starts from the
# sample scenes too (listed after the corpus, so new inputs never land among them).
declare -A flags=([simGLSceneFileFuzz]="-dict=$root/fuzz/scene.dict -max_len=8192")
declare -A seeds=([simGLSceneFileFuzz]="$root/examples/scenes")
# The pick fuzzer gets at most 10 s here. A long run (about two million picks):
# build/fuzz/fuzz/simGLPickFuzz -max_total_time=900 -max_len=1024 build/fuzz-corpus/simGLPickFuzz
declare -A times=([simGLPickFuzz]=$((seconds < 10 ? seconds : 10)))
for fuzzer in simGLUpdateFuzz simGLProbeFuzz simGLSphereFuzz simGLSceneFileFuzz simGLPickFuzz; do
    corpus="$out/fuzz-corpus/$fuzzer"
    mkdir -p "$corpus"
    printf '\n==== %s, %s s ====\n' "$fuzzer" "${times[$fuzzer]:-$seconds}"
    # shellcheck disable=SC2086 # flags and seeds are lists of words
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        "$out/fuzz/fuzz/$fuzzer" -max_total_time="${times[$fuzzer]:-$seconds}" -print_final_stats=1 \
        ${flags[$fuzzer]:--max_len=1024} -artifact_prefix="$out/fuzz-artifacts/$fuzzer-" \
        "$corpus" ${seeds[$fuzzer]:-}
done
