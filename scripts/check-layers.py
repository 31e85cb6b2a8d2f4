#!/usr/bin/env python3
"""Checks that every include between folders of src/ points down the layer order.

The order is read from src/layers.txt: one layer per line, lowest first; folders named
on the same line share a layer and may not include one another. A file may include
headers of its own folder and of folders in lower layers only. Exits 1 and names each
offending file, include and rule otherwise, so a build step that runs it fails.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/([^"]+)"')


def read_layers(path):
    rank, exceptions = {}, set()
    section = "order"
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.split("#", 1)[0].strip()
            if not line:
                continue
            if line == "[exceptions]":
                section = "exceptions"
                continue
            if section == "order":
                for folder in line.split():
                    if folder in rank:
                        sys.exit(f"{path}:{number}: folder '{folder}' is listed twice")
                    rank[folder] = number
            else:
                parts = line.split("->")
                if len(parts) != 2:
                    sys.exit(f"{path}:{number}: an exception reads 'FILE -> INCLUDE'")
                exceptions.add((parts[0].strip(), parts[1].strip()))
    return rank, exceptions


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src"))
    layers_file = os.path.join(root, "layers.txt")
    rank, exceptions = read_layers(layers_file)
    errors, used, checked = [], set(), 0
    edges = {}
    for folder in sorted(os.listdir(root)):
        if not os.path.isdir(os.path.join(root, folder)):
            continue
        if folder not in rank:
            errors.append(f"src/{folder}/: folder not in src/layers.txt; add it at the layer its includes need")
            continue
        for dirpath, _, files in os.walk(os.path.join(root, folder)):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(dirpath, name)
                rel = os.path.relpath(path, root)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m or m.group(1) == folder:
                            continue
                        target = m.group(1)
                        if not os.path.isdir(os.path.join(root, target)):
                            continue
                        checked += 1
                        include = f"{target}/{m.group(2)}"
                        edges.setdefault(folder, set()).add(target)
                        if target not in rank:
                            continue  # reported once for the folder itself
                        if rank[target] < rank[folder]:
                            continue
                        if (rel, include) in exceptions:
                            used.add((rel, include))
                            continue
                        how = "a layer above" if rank[target] > rank[folder] else "the same layer as"
                        errors.append(f"src/{rel}:{number}: includes \"{include}\": {target}/ is {how} "
                                      f"{folder}/ in src/layers.txt; a layer includes only the layers below it "
                                      f"(reach upward through a hook the higher layer installs)")
    for rel, include in sorted(exceptions - used):
        errors.append(f"src/layers.txt: exception '{rel} -> {include}' no longer occurs; remove it")
    for e in errors:
        print(e, file=sys.stderr)
    if errors:
        print(f"layer check failed: {len(errors)} problem(s)", file=sys.stderr)
        return 1
    print(f"layers ok: {len(rank)} folders, {checked} includes between folders, "
          f"{len(exceptions)} listed exceptions")
    cycles = folder_cycles(edges)
    for group in cycles:
        print("folders still in one include cycle (through listed exceptions): " + " ".join(group))
    if not cycles:
        print("no include cycle between folders")
    return 0


def folder_cycles(edges):
    """The strongly connected groups of more than one folder (Tarjan)."""
    index, low, stack, on, groups, counter = {}, {}, [], set(), [], [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on.add(v)
        for w in sorted(edges.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on.discard(w)
                group.append(w)
                if w == v:
                    break
            if len(group) > 1:
                groups.append(sorted(group))

    for v in sorted(edges):
        if v not in index:
            visit(v)
    return groups


if __name__ == "__main__":
    sys.exit(main())
