#!/usr/bin/env bash
# Builds the demo host and runs it: it renders its built-in mechanism headlessly into
# PNG images (default ./demo-output, or the directory given as the first argument).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${TOLU_BUILD_ROOT:-$root/build}

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$out/demo" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLU_BUILD_TESTS=OFF \
    -DTOLU_BUILD_BENCH=OFF > /dev/null
cmake --build "$out/demo" --target simGLDemo
"$out/demo/examples/simGLDemo" "${1:-demo-output}"
