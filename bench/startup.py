#!/usr/bin/env python3
"""Times the runner from process start to its end, headless, on two generated games.

    bench/startup.py [--runs N] [--bin DIR] [--pages N] [--keep DIR]

`empty`: a game of one empty room, run for one frame: the cost of starting up (the
process, the window and device, the sound device, loading) and shutting down.
`pages`: the same room in a game that also holds N sprites (150 by default) of noisy,
barely compressible pixels, one per texture page of 256x256 (about 34 MB of file): what
a large data file adds to reaching the first frame. Printed: the median wall time of
each over the runs, and the difference, as wall time and as processor time (user and
system time of all the runner's threads; the steadier figure on a busy machine).
`window floor` (when DIR holds zorvex-bench-window): a program that only makes the same
kind of window and OpenGL context and presents once, timed alongside: the part of the
empty game's time that belongs to the video system and the driver.

The games are packed with zorvex-pack from DIR (build/release/bin by default) into a
temporary folder, or into --keep DIR to look at them afterwards; nothing is written
into the source tree.
"""

import argparse
import json
import os
import random
import resource
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.path.join(ROOT, "build", "release", "bin")
SIDE = 240  # a sprite per 256x256 page, with room for the packer's border


def png(width, height, rgba):
    def chunk(tag, body):
        return struct.pack(">I", len(body)) + tag + body + struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF)

    rows = b"".join(b"\0" + rgba[y * width * 4:(y + 1) * width * 4] for y in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 1)) + chunk(b"IEND", b"")


def write_project(folder, pages):
    os.makedirs(os.path.join(folder, "sprites"), exist_ok=True)
    rng = random.Random(1)
    sprites = []
    for n in range(pages):
        name = f"noise{n:03d}.png"
        pixels = bytearray(rng.randbytes(SIDE * SIDE * 4))
        pixels[3::4] = b"\xff" * (SIDE * SIDE)  # opaque, so no trimming shrinks a page
        with open(os.path.join(folder, "sprites", name), "wb") as f:
            f.write(png(SIDE, SIDE, bytes(pixels)))
        sprites.append({"name": f"spr_noise{n:03d}", "frames": [f"sprites/{name}"], "bbox": "full"})
    game = {"game": {"name": "Start-up"}, "rooms": [{"name": "rm_main"}]}
    if sprites:
        game["sprites"] = sprites
    with open(os.path.join(folder, "game.json"), "w") as f:
        json.dump(game, f, indent=1)


def pack(bin_dir, project, out):
    cmd = [os.path.join(bin_dir, "zorvex-pack"), project, "-o", out, "--page-size", "256"]
    done = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if done.returncode != 0:
        sys.exit(f"{' '.join(cmd)} failed ({done.returncode}):\n{done.stderr}")


def cpu_children():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(bin_dir, game):
    """Wall time and processor time (user and system, every thread) of one run."""
    if game is None:
        cmd = [os.path.join(bin_dir, "zorvex-bench-window"), "--headless"]
    else:
        cmd = [os.path.join(bin_dir, "zorvex"), "--headless", "--no-wait", "--frames", "1", "-game", game]
    cpu = cpu_children()
    start = time.perf_counter()
    done = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    elapsed = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit(f"{' '.join(cmd)} failed ({done.returncode}):\n{done.stderr}")
    return elapsed, cpu_children() - cpu


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--bin", default=BIN)
    parser.add_argument("--pages", type=int, default=150)
    parser.add_argument("--keep", help="pack the games into this folder and leave them there")
    args = parser.parse_args()
    os.environ.setdefault("SDL_VIDEODRIVER", "offscreen")

    with tempfile.TemporaryDirectory() as scratch:
        where = args.keep or scratch
        os.makedirs(where, exist_ok=True)
        games = {}
        for name, pages in (("empty", 0), ("pages", args.pages)):
            project = os.path.join(where, name)
            write_project(project, pages)
            games[name] = os.path.join(where, name + ".win")
            pack(args.bin, project, games[name])
        if os.path.exists(os.path.join(args.bin, "zorvex-bench-window")):
            games["floor"] = None
        times = {name: [] for name in games}
        timed(args.bin, games["empty"])  # the first run fills the file cache
        for _ in range(args.runs):
            for name, game in games.items():
                times[name].append(timed(args.bin, game))
        wall = {name: statistics.median(t[0] for t in runs) * 1000 for name, runs in times.items()}
        cpu = {name: statistics.median(t[1] for t in runs) * 1000 for name, runs in times.items()}
        size = os.path.getsize(games["pages"]) / 1e6
        print(f"medians of {args.runs} runs        wall ms   processor ms")
        print(f"empty game              {wall['empty']:8.1f}   {cpu['empty']:8.1f}")
        print(f"{args.pages:3d} texture pages       {wall['pages']:8.1f}   {cpu['pages']:8.1f}   ({size:.1f} MB file)")
        print(f"pages over empty        {wall['pages'] - wall['empty']:8.1f}   {cpu['pages'] - cpu['empty']:8.1f}")
        if "floor" in games:
            print(f"window floor            {wall['floor']:8.1f}   {cpu['floor']:8.1f}")


if __name__ == "__main__":
    main()
