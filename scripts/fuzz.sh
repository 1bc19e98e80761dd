#!/usr/bin/env bash
# Builds the fuzzers with clang, AddressSanitizer and UndefinedBehaviorSanitizer, and runs
# each for FUZZ_SECONDS (default 60; the scene-file and motion fuzzers half of it each). The corpus grows in <build root>/fuzz-corpus and is
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
# The file fuzzers take longer inputs and start from sample files too (listed after the
# corpus, so new inputs never land among them); the scene-file one knows the format's words.
declare -A flags=([simGLSceneFileFuzz]="-dict=$root/fuzz/scene.dict -max_len=8192"
    [simGLUrdfFuzz]="-max_len=4096" [simGLMotionFuzz]="-max_len=4096")
declare -A seeds=([simGLSceneFileFuzz]="$root/examples/scenes" [simGLUrdfFuzz]="$root/fuzz/urdf"
    [simGLMotionFuzz]="$root/fuzz/motions")
# The three file readers share one fuzzer's time, so each new reader costs no time.
declare -A share=([simGLSceneFileFuzz]=3 [simGLUrdfFuzz]=3 [simGLMotionFuzz]=3)
# The pick fuzzer compares the indexed pick with the plain walk. A long run (about two
# million picks): build/fuzz/fuzz/simGLPickFuzz -max_total_time=900 -max_len=1024 \
#     build/fuzz-corpus/simGLPickFuzz
for fuzzer in simGLUpdateFuzz simGLProbeFuzz simGLSphereFuzz simGLSceneFileFuzz simGLUrdfFuzz \
    simGLMotionFuzz simGLPickFuzz; do
    corpus="$out/fuzz-corpus/$fuzzer"
    mkdir -p "$corpus"
    limit=$(( (seconds + ${share[$fuzzer]:-1} - 1) / ${share[$fuzzer]:-1} ))
    printf '\n==== %s, %s s ====\n' "$fuzzer" "$limit"
    # shellcheck disable=SC2086 # flags and seeds are lists of words
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        "$out/fuzz/fuzz/$fuzzer" -max_total_time="$limit" -print_final_stats=1 \
        ${flags[$fuzzer]:--max_len=1024} -artifact_prefix="$out/fuzz-artifacts/$fuzzer-" \
        "$corpus" ${seeds[$fuzzer]:-}
done
