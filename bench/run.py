#!/usr/bin/env python3
"""Times the machine against Lua 5.4 on the same small programs.

Each program in bench/vm/NAME/ is a game project whose create event runs the work and
ends the game; bench/vm/NAME.lua is its twin. The game is packed with its script text,
so the runner compiles it at start-up as a shipped game would. Runs alternate between
the two sides; the figure is the median, less the median of an empty program on the
same side (start-up, loading, the first frame).

    bench/run.py [--runs N] [--no-build] [--baseline DIR] [NAME ...]

--baseline DIR also times the runner in DIR (another build's bin/) in the same
alternation, as a column before the current one.
"""

import argparse
import math
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
VM = os.path.join(ROOT, "bench", "vm")
BIN = os.path.join(ROOT, "build", "release", "bin")
PROGRAMS = ["fib", "loop", "strings", "arrays", "maps"]


def timed(cmd):
    start = time.perf_counter()
    done = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    elapsed = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit(f"{' '.join(cmd)} failed ({done.returncode}):\n{done.stderr}")
    return elapsed, done.stdout.strip()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5, help="runs per side (default 5)")
    parser.add_argument("--no-build", action="store_true", help="use the existing Release build")
    parser.add_argument("--baseline", metavar="DIR", help="another build's bin/ to time alongside")
    parser.add_argument("names", nargs="*", default=PROGRAMS)
    args = parser.parse_args()

    lua = shutil.which("lua5.4")
    if not lua:
        sys.exit("lua5.4 not found (scripts/install-deps.sh installs it)")
    if not args.no_build:
        for step in (["cmake", "--preset", "release"], ["cmake", "--build", "--preset", "release"]):
            if subprocess.run(step, cwd=ROOT, stdout=subprocess.DEVNULL).returncode != 0:
                sys.exit(f"{' '.join(step)} failed")

    work = tempfile.mkdtemp(prefix="zorvex-bench-")
    try:
        games = {}
        for name in ["empty"] + args.names:
            games[name] = os.path.join(work, name + ".win")
            subprocess.run([os.path.join(BIN, "zorvex-pack"), os.path.join(VM, name), "-o",
                            games[name], "--source"], check=True, stdout=subprocess.DEVNULL)

        def runner(bin_dir, name):
            return timed([os.path.join(bin_dir, "zorvex"), "-game", games[name], "--headless",
                          "--no-wait", "--frames", "2"])

        def twin(name):
            return timed([lua, os.path.join(VM, name + ".lua")])

        sides = ([args.baseline] if args.baseline else []) + [BIN]

        def medians(name):
            times = [[] for _ in range(len(sides) + 1)]
            outputs = []
            for _ in range(args.runs):
                for k, bin_dir in enumerate(sides):
                    t, out = runner(bin_dir, name)
                    times[k].append(t)
                    outputs.append(out)
                t, out = twin(name)
                times[-1].append(t)
                outputs.append(out)
            if name != "empty" and len({float(o) for o in outputs}) != 1:
                sys.exit(f"{name}: the runs printed different results: {sorted(set(outputs))}")
            return [statistics.median(t) for t in times]

        # Below a millisecond the difference is noise; it counts as one.
        base = medians("empty")
        print("start-up subtracted: " + ", ".join(f"{b:.3f} s" for b in base) +
              f", median of {args.runs}")
        header = f"{'program':<10}"
        if args.baseline:
            header += f"{'before s':>10}{'ratio':>8}"
        header += f"{'runner s':>10}{'Lua 5.4 s':>11}{'ratio':>8}"
        print(header)
        ratios = [[] for _ in sides]
        for name in args.names:
            m = medians(name)
            secs = [max(x - b, 1e-3) for x, b in zip(m, base)]
            line = f"{name:<10}"
            for k in range(len(sides)):
                ratios[k].append(secs[k] / secs[-1])
                line += f"{secs[k]:>10.3f}" + (f"{ratios[k][-1]:>8.2f}" if k < len(sides) - 1 else "")
            line += f"{secs[-1]:>11.3f}{ratios[-1][-1]:>8.2f}"
            print(line, flush=True)
        geo = [math.exp(sum(math.log(r) for r in rs) / len(rs)) for rs in ratios]
        line = f"{'geomean':<10}"
        if args.baseline:
            line += f"{'':>10}{geo[0]:>8.2f}"
        line += f"{'':>21}{geo[-1]:>8.2f}"
        print(line)
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
