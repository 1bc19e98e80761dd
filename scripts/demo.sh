#!/usr/bin/env bash
# Builds the demo host and simgl-render and runs both: the demo renders its built-in
# mechanism headlessly into PNG images, and simgl-render renders the same mechanism from its
# scene file (examples/scenes/demo.json) into more of them. The images go to ./demo-output,
# or the directory given as the first argument.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${TOLU_BUILD_ROOT:-$root/build}
images=${1:-demo-output}

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$out/demo" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLU_BUILD_TESTS=OFF \
    -DTOLU_BUILD_BENCH=OFF > /dev/null
cmake --build "$out/demo" --target simGLDemo simgl-render
"$out/demo/examples/simGLDemo" "$images"

render=("$out/demo/apps/simgl-render" "$root/examples/scenes/demo.json" --shadows --msaa 4)
"${render[@]}" --out "$images/scene-plain.png"
"${render[@]}" --highlight ball --highlight cart --out "$images/scene-highlight.png"
"${render[@]}" --transparency 3 --out "$images/scene-depth-peeling.png"
echo "3 images of examples/scenes/demo.json rendered by simgl-render into $images"
