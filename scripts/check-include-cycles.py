#!/usr/bin/env python3
"""Fails when units, or folders, of the source tree include each other in a cycle.

A unit is a header with its source file (x.h and x.cpp); unit A depends on
unit B when A's header or source includes B's header. A folder depends on
another when one of its units depends on one of the other's: the floors of
the tree (common and model at the bottom, the program's subsystems above,
the commands on top) only ever include downwards. Quoted includes are taken
relative to the tree's root, as the build's include path has them.

    scripts/check-include-cycles.py [src] [--graph]

With --graph it also prints each folder and the folders it includes.
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


def folder_of(unit):
    return os.path.dirname(unit) or "."


def folder_dependencies(dependencies):
    folders = {}
    for unit, targets in dependencies.items():
        mine = folders.setdefault(folder_of(unit), set())
        mine.update(folder_of(target) for target in targets)
    for folder, targets in folders.items():
        targets.discard(folder)
    return folders


def closure(folders, folder):
    """Every folder `folder` includes, directly or round about."""
    seen, todo = set(), [folder]
    while todo:
        for target in folders.get(todo.pop(), ()):
            if target not in seen:
                seen.add(target)
                todo.append(target)
    return seen


def report(kind, dependencies, found):
    for component in found:
        print(f"include cycle between {kind}: " + ", ".join(component))
        for member in component:
            inside = sorted(dependencies[member].intersection(component))
            print("  " + member + " includes " + ", ".join(inside))


def main():
    arguments = [a for a in sys.argv[1:] if a != "--graph"]
    root = arguments[0] if arguments else os.path.join(os.path.dirname(__file__), "..", "src")
    dependencies = unit_dependencies(root)
    folders = folder_dependencies(dependencies)
    if "--graph" in sys.argv:
        for folder in sorted(folders, key=lambda f: (len(closure(folders, f)), f)):
            print(f"{folder}: {', '.join(sorted(folders[folder])) or '(nothing)'}")
    unit_cycles = cycles(dependencies)
    folder_cycles = cycles(folders)
    report("units", dependencies, unit_cycles)
    report("folders", folders, folder_cycles)
    if unit_cycles or folder_cycles:
        return 1
    print(f"no include cycle among {len(dependencies)} units in {len(folders)} folders")
    return 0


if __name__ == "__main__":
    sys.exit(main())
