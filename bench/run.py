#!/usr/bin/env python3
"""Times the machine against Lua 5.4 on the same small programs.

Each program in bench/vm/NAME/ is a game project whose create event runs the work and
ends the game; bench/vm/NAME.lua is its twin. The game is packed with its script text,
so the runner compiles it at start-up as a shipped game would. Runs alternate between
the two sides; the figure is the median, less the median of an empty program on the
same side (start-up, loading, the first frame).

    bench/run.py [--runs N] [--no-build] [NAME ...]
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

        def runner(name):
            return timed([os.path.join(BIN, "zorvex"), "-game", games[name], "--headless",
                          "--no-wait", "--frames", "2"])

        def twin(name):
            return timed([lua, os.path.join(VM, name + ".lua")])

        def medians(name):
            ours, theirs = [], []
            for _ in range(args.runs):
                t, out_ours = runner(name)
                ours.append(t)
                t, out_theirs = twin(name)
                theirs.append(t)
            if name != "empty" and float(out_ours) != float(out_theirs):
                sys.exit(f"{name}: the runner printed {out_ours!r}, Lua {out_theirs!r}")
            return statistics.median(ours), statistics.median(theirs)

        base_ours, base_theirs = medians("empty")
        print(f"start-up subtracted: runner {base_ours:.3f} s, Lua {base_theirs:.3f} s, "
              f"median of {args.runs}")
        print(f"{'program':<10}{'runner s':>10}{'Lua 5.4 s':>11}{'ratio':>8}")
        ratios = []
        for name in args.names:
            ours, theirs = medians(name)
            # Below a millisecond the difference is noise; it counts as one.
            ours = max(ours - base_ours, 1e-3)
            theirs = max(theirs - base_theirs, 1e-3)
            ratios.append(ours / theirs)
            print(f"{name:<10}{ours:>10.3f}{theirs:>11.3f}{ours / theirs:>8.2f}", flush=True)
        geo = math.exp(sum(math.log(r) for r in ratios) / len(ratios))
        print(f"{'geomean':<10}{'':>21}{geo:>8.2f}")
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
