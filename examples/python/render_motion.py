#!/usr/bin/env python3
"""Renders a motion of a model into a video (or PNG frames), and its first frame into a PNG
image, with the simgl module.

    PYTHONPATH=build/dev/python python3 examples/python/render_motion.py \\
        [MODEL MOTION] [--out arm.mp4] [--png arm.png] [--size 640x480] [--fps 30]
        [--shadows] [--build DIR]

Without MODEL and MOTION it plays the sample arm's motion, which the build writes into
DIR/examples/arm (DIR is build/dev unless --build says otherwise). An --out ending in .mp4
(or .mkv, .mov, .avi, .webm) makes a video through ffmpeg, anything else a folder of PNGs.
"""
import argparse
import pathlib
import sys

import simgl


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("model", nargs="?", help="scene file or URDF robot description")
    parser.add_argument("motion", nargs="?", help="motion file (CSV)")
    parser.add_argument("--out", default="motion.mp4", help="video file or PNG folder")
    parser.add_argument("--png", default="motion.png", help="the first frame as a PNG image")
    parser.add_argument("--size", default="640x480", help="WIDTHxHEIGHT in pixels")
    parser.add_argument("--fps", type=float, default=30.0, help="frames per second")
    parser.add_argument("--shadows", action="store_true", help="cast shadows")
    parser.add_argument("--msaa", type=int, default=4, help="samples per pixel")
    parser.add_argument("--build", default="build/dev", help="build tree with the sample arm")
    args = parser.parse_args()
    if (args.model is None) != (args.motion is None):
        parser.error("give both MODEL and MOTION, or neither for the sample arm")
    if args.model is None:
        arm = pathlib.Path(args.build) / "examples" / "arm"
        args.model, args.motion = arm / "arm.urdf", arm / "arm-motion.csv"
    try:
        width, height = (int(v) for v in args.size.split("x"))
    except ValueError:
        parser.error(f"--size: expected WIDTHxHEIGHT, not {args.size!r}")

    try:
        scene = simgl.load(args.model)
        motion = simgl.load_motion(args.motion)
        renderer = simgl.Renderer(scene, width, height, msaa=args.msaa, shadows=args.shadows)
        simgl.Playback(scene, motion).apply(motion.times[0])
        simgl.save_png(renderer.render(), args.png)
        frames = renderer.render_motion(motion, args.out, fps=args.fps)
    except simgl.Error as e:
        print(f"render_motion: {e}", file=sys.stderr)
        return 1
    print(f"{args.png}: the first frame; {args.out}: {frames} frames of {motion.duration:.2f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
