#!/usr/bin/env python3
"""Checks the direction of the product's includes.

Floors, bottom to top: framework and res < skin < core < net, bosskey < hook
< web < mainwnd < app. A file may include files of its own folder and of
folders on lower floors; never of a higher floor or of another folder on its
own floor. Inside the whole product, no two units (a .h with its .cpp) may
include each other, directly or around a circle: that is two files calling
each other. Prints every breach and exits 1 when there is one.
"""
import os
import re
import sys

FLOORS = {
    "framework": 0, "res": 0,
    "skin": 1,
    "core": 2,
    "net": 3, "bosskey": 3,
    "hook": 4,
    "web": 5,
    "mainwnd": 6,
    "app": 7,
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def units(root):
    """unit name ("net/update") -> set of units it includes."""
    graph = {}
    for folder in FLOORS:
        base = os.path.join(root, folder)
        if not os.path.isdir(base):
            continue
        for name in sorted(os.listdir(base)):
            stem, ext = os.path.splitext(name)
            if ext not in (".h", ".cpp"):
                continue
            with open(os.path.join(base, name), encoding="utf-8") as f:
                text = f.read()
            unit = folder + "/" + stem
            deps = graph.setdefault(unit, set())
            for inc in INCLUDE.findall(text):
                target = os.path.splitext(inc)[0]
                if target != unit and "/" in target:
                    deps.add(target)
    return graph


def layer_breaches(graph):
    out = []
    for unit, deps in sorted(graph.items()):
        here = unit.split("/")[0]
        for dep in sorted(deps):
            there = dep.split("/")[0]
            if there not in FLOORS or there == here:
                continue
            if FLOORS[there] >= FLOORS[here]:
                out.append(f"{unit} includes {dep}: {there}/ is not below {here}/")
    return out


def circles(graph):
    """Strongly connected groups of more than one unit (Tarjan)."""
    index, low, stack, on, found = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on.add(v)
        for w in graph.get(v, ()):
            if w not in graph:
                continue
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
                found.append(sorted(group))

    sys.setrecursionlimit(10000)
    for v in sorted(graph):
        if v not in index:
            visit(v)
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    graph = units(root)
    problems = layer_breaches(graph)
    problems += ["units include each other: " + " -> ".join(c) for c in circles(graph)]
    for p in problems:
        print(p)
    if problems:
        return 1
    print(f"layers: {len(graph)} units, every include runs downwards, no circles")
    return 0


if __name__ == "__main__":
    sys.exit(main())
