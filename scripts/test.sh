#!/usr/bin/env bash
# Builds everything and runs every test: a warnings-as-errors build with all tests,
# the same tests (the concurrency tests included) under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the concurrency tests under ThreadSanitizer,
# everything again built with clang; then a short run of every fuzzer.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${TOLU_BUILD_ROOT:-$root/build}
jobs=${JOBS:-$(nproc)}

bash "$root/scripts/setup.sh"

step() { printf '\n==== %s ====\n' "$*"; }

step "Build (warnings as errors)"
cmake -S "$root" -B "$out/main" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLU_WERROR=ON
cmake --build "$out/main" -j "$jobs"
# clang-format comes with setup.sh, so the check always exists; a misformatted file fails the run.
step "Format check"
cmake --build "$out/main" --target format-check

# Doxygen comes with setup.sh; an undocumented public declaration fails the run.
step "API reference"
cmake --build "$out/main" --target docs

step "Tests"
ctest --test-dir "$out/main" --output-on-failure -j "$jobs"

step "Install, and build a host project against the installed package"
rm -rf "$out/install" "$out/consumer"
cmake --install "$out/main" --prefix "$out/install" > /dev/null
cmake -S "$root/tests/consumer" -B "$out/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$out/install"
cmake --build "$out/consumer"
"$out/consumer/consumer"
# The same host, built without CMake through the installed pkg-config files.
pc() { PKG_CONFIG_PATH="$out/install/lib/pkgconfig" pkg-config "$@"; }
c++ -std=c++20 "$root/tests/consumer/main.cpp" -o "$out/consumer/consumer-pc" \
    $(pc --cflags --libs toluOstraSimGL toluOstraIO) -Wl,-rpath,"$(pc --variable=libdir toluUtil)"
"$out/consumer/consumer-pc"

step "Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$out/asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLU_WERROR=ON \
    -DTOLU_SANITIZE=address,undefined -DTOLU_BUILD_BENCH=OFF -DTOLU_BUILD_EXAMPLES=OFF
cmake --build "$out/asan" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --test-dir "$out/asan" --output-on-failure -j "$jobs"

step "Concurrency tests under ThreadSanitizer"
cmake -S "$root" -B "$out/tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLU_WERROR=ON \
    -DTOLU_SANITIZE=thread -DTOLU_BUILD_BENCH=OFF -DTOLU_BUILD_EXAMPLES=OFF
cmake --build "$out/tsan" -j "$jobs" --target toluUtilConcurrencyTests
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    ctest --test-dir "$out/tsan" --output-on-failure -L concurrency

step "Build and tests with clang"
CC=clang CXX=clang++ cmake -S "$root" -B "$out/clang" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DTOLU_WERROR=ON -DTOLU_BUILD_BENCH=OFF
cmake --build "$out/clang" -j "$jobs"
ctest --test-dir "$out/clang" --output-on-failure -j "$jobs"

step "Fuzzers, ${FUZZ_SECONDS:-20} s each"
FUZZ_SECONDS=${FUZZ_SECONDS:-20} bash "$root/scripts/fuzz.sh"
