#!/usr/bin/env python3
"""Checks that every folder of src/ includes only folders below its own.

The order of the folders, lowest first, is the list in the README's Layout section: each of its
items that starts with `src/<folder>` places that folder (an item naming two folders places both,
the first lower). A file may include its own folder and the folders listed before it. Prints
each include that reaches up, and each folder of src/ the list does not place; exits 1 if any.
"""
import os
import re
import sys

root = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
src = os.path.join(root, "src")


def folder_order():
    text = open(os.path.join(root, "README.md"), encoding="utf-8").read()
    section = re.search(r"^## Layout\n(.*?)(?=^## |\Z)", text, re.M | re.S)
    if not section:
        sys.exit("check-layers: README.md has no Layout section")
    order = []
    for item in re.findall(r"^- (.*)$", section.group(1), re.M):
        head = item.split(":", 1)[0]
        for name in re.findall(r"`src/([a-z_]+)`", head):
            if name not in order:
                order.append(name)
    return order


def main():
    order = folder_order()
    rank = {name: i for i, name in enumerate(order)}
    folders = sorted(d for d in os.listdir(src) if os.path.isdir(os.path.join(src, d)))
    problems = [f"src/{d}: not placed in the README's Layout list" for d in folders
                if d not in rank]
    problems += [f"the README's Layout list names src/{d}, which does not exist"
                 for d in order if d not in folders]
    include = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]+"', re.M)
    for folder in folders:
        for base, _, files in os.walk(os.path.join(src, folder)):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(base, name)
                text = open(path, encoding="utf-8", errors="replace").read()
                for match in include.finditer(text):
                    target = match.group(1)
                    if target in rank and folder in rank and rank[target] > rank[folder]:
                        line = text.count("\n", 0, match.start()) + 1
                        problems.append(f"{os.path.relpath(path, root)}:{line}: src/{folder} "
                                        f"includes src/{target}, which lies above it")
    for problem in problems:
        print(problem)
    if problems:
        return 1
    print(f"check-layers: {len(folders)} folders, each including only those below it")
    return 0


if __name__ == "__main__":
    sys.exit(main())
