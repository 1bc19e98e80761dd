#!/usr/bin/env bash
# Builds the demo host and simgl-render and runs both: the demo renders its built-in
# mechanism headlessly into PNG images, and simgl-render renders the same mechanism from its
# scene file (examples/scenes/demo.json) into more of them, and plays the sample arm's
# motion (a URDF robot the build writes) into a PNG and an MP4 video. The images go to
# ./demo-output, or the directory given as the first argument.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${TOLU_BUILD_ROOT:-$root/build}
images=${1:-demo-output}

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$out/demo" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLU_BUILD_TESTS=OFF \
    -DTOLU_BUILD_BENCH=OFF > /dev/null
cmake --build "$out/demo" --target simGLDemo simgl-render simGLArm
"$out/demo/examples/simGLDemo" "$images"

render=("$out/demo/apps/simgl-render" "$root/examples/scenes/demo.json" --shadows --msaa 4)
"${render[@]}" --out "$images/scene-plain.png"
"${render[@]}" --highlight ball --highlight cart --out "$images/scene-highlight.png"
"${render[@]}" --transparency 3 --out "$images/scene-depth-peeling.png"
echo "3 images of examples/scenes/demo.json rendered by simgl-render into $images"

arm="$out/demo/examples/arm"
play=("$out/demo/apps/simgl-render" "$arm/arm.urdf" --motion "$arm/arm-motion.csv")
"${play[@]}" --msaa 4 --out "$images/arm.png"
"${play[@]}" --size 640x480 --msaa 2 --fps 15 --video "$images/arm.mp4"
echo "The sample arm's motion rendered into $images/arm.png and $images/arm.mp4"
