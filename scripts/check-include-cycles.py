#!/usr/bin/env python3
"""Fails when units of the source tree include each other in a cycle.

A unit is a header with its source file (x.h and x.cpp); unit A depends on
unit B when A's header or source includes B's header. Quoted includes are
taken relative to the tree's root, as the build's include path has them.

    scripts/check-include-cycles.py [src]
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def unit_dependencies(root):
    dependencies = {}
    for directory, _, names in os.walk(root):
        for name in names:
            stem, extension = os.path.splitext(name)
            if extension not in (".h", ".cpp"):
                continue
            path = os.path.join(directory, name)
            unit = os.path.relpath(os.path.join(directory, stem), root)
            targets = dependencies.setdefault(unit, set())
            with open(path, encoding="utf-8") as source:
                for line in source:
                    match = INCLUDE.match(line)
                    if match:
                        targets.add(os.path.splitext(os.path.normpath(match.group(1)))[0])
    for unit, targets in dependencies.items():
        targets.discard(unit)
        targets.intersection_update(dependencies)
    return dependencies


def cycles(dependencies):
    """Strongly connected components of more than one unit (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(unit):
        index[unit] = low[unit] = len(index)
        stack.append(unit)
        on_stack.add(unit)
        for target in sorted(dependencies[unit]):
            if target not in index:
                visit(target)
                low[unit] = min(low[unit], low[target])
            elif target in on_stack:
                low[unit] = min(low[unit], index[target])
        if low[unit] == index[unit]:
            component = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                component.append(member)
                if member == unit:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    sys.setrecursionlimit(10000)
    for unit in sorted(dependencies):
        if unit not in index:
            visit(unit)
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    dependencies = unit_dependencies(root)
    found = cycles(dependencies)
    for component in found:
        print("include cycle between units: " + ", ".join(component))
        for unit in component:
            inside = sorted(dependencies[unit].intersection(component))
            print("  " + unit + " includes " + ", ".join(inside))
    if found:
        return 1
    print(f"no include cycle among {len(dependencies)} units")
    return 0


if __name__ == "__main__":
    sys.exit(main())
