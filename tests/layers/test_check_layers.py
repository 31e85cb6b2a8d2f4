#!/usr/bin/env python3
"""Runs scripts/check-layers.py on small trees: each case is the layer file, the files
and their includes, and whether the check passes (and what a failure must name)."""
import os
import subprocess
import sys
import tempfile

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "check-layers.py")

CASES = [
    ("downward include", "low\nhigh\n", {"high/b.cpp": '#include "low/a.h"'}, True, ""),
    ("own folder", "low\nhigh\n", {"low/a.cpp": '#include "low/a.h"'}, True, ""),
    ("upward include", "low\nhigh\n", {"low/a.cpp": '#include "high/b.h"'}, False,
     'low/a.cpp:1: includes "high/b.h": high/ is a layer above low/'),
    ("peers", "low\nleft right\n", {"left/a.cpp": '#include "right/b.h"'}, False,
     "right/ is the same layer as left/"),
    ("folder not listed", "low\n", {"other/a.cpp": '#include "low/a.h"'}, False, "src/other/: folder not in"),
    ("listed exception", "low\nhigh\n[exceptions]\nlow/a.cpp -> high/b.h\n",
     {"low/a.cpp": '#include "high/b.h"'}, True, ""),
    ("stale exception", "low\nhigh\n[exceptions]\nlow/a.cpp -> high/b.h\n", {"low/a.cpp": ""}, False,
     "no longer occurs"),
]


def run(layers, files):
    with tempfile.TemporaryDirectory() as root:
        order = layers.split("[exceptions]")[0]
        for folder in order.split():
            os.makedirs(os.path.join(root, folder), exist_ok=True)
        with open(os.path.join(root, "layers.txt"), "w") as f:
            f.write(layers)
        for path, text in files.items():
            os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(root, path), "w") as f:
                f.write(text + "\n")
        done = subprocess.run([sys.executable, SCRIPT, root], capture_output=True, text=True)
        return done.returncode, done.stderr


def main():
    failures = 0
    for name, layers, files, passes, message in CASES:
        code, err = run(layers, files)
        if (code == 0) != passes or (message and message not in err):
            failures += 1
            print(f"FAIL {name}: exit {code}, stderr:\n{err}")
    print(f"{len(CASES) - failures} of {len(CASES)} cases as expected")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
