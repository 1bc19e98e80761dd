#!/usr/bin/env bash
# Builds the simgl Python module and the sample arm, then runs the Python example: the arm's
# motion rendered from Python into arm.mp4 and its first frame into arm.png, in ./demo-output
# or the folder given as the first argument.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${TOLU_BUILD_ROOT:-$root/build}
images=${1:-demo-output}

bash "$root/scripts/setup.sh"
# Debian's interpreter, which has NumPy from setup.sh (another python3 may come first on PATH).
python=/usr/bin/python3
cmake -S "$root" -B "$out/demo" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLU_BUILD_TESTS=OFF \
    -DTOLU_BUILD_BENCH=OFF -DPython3_EXECUTABLE="$python" > /dev/null
cmake --build "$out/demo" --target simgl simGLArm
mkdir -p "$images"
PYTHONPATH="$out/demo/python" "$python" "$root/examples/python/render_motion.py" \
    --build "$out/demo" --out "$images/arm.mp4" --png "$images/arm.png"
