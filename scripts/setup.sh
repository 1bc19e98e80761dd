#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian machine. Packages that are
# already there are left alone, so on a prepared machine this costs a dpkg query.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libegl-dev libegl-mesa0 libgl1-mesa-dri libgl-dev
    libpng-dev clang-format freeglut3-dev
    clang libclang-rt-14-dev
    nlohmann-json3-dev libassimp-dev
    liburdfdom-dev ffmpeg
    python3-dev pybind11-dev python3-numpy python3-pytest doxygen
)
# Optional: the peers the comparison benchmark measures us against
# (TOLU_WITH_PEERS=1 bash scripts/setup.sh; then the build has bench/simGLPeerBench).
if [ "${TOLU_WITH_PEERS:-0}" = 1 ]; then
    packages+=(libmujoco-dev libopenscenegraph-dev)
fi
# Optional: a virtual X display, to run the interactive viewer where there is no desktop
# (TOLU_WITH_XVFB=1 bash scripts/setup.sh; then xvfb-run <build dir>/apps/simGLViewer).
if [ "${TOLU_WITH_XVFB:-0}" = 1 ]; then
    packages+=(xvfb)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
