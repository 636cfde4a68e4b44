#!/usr/bin/env python3
"""Checks the shape of the product's source tree, from its text alone:

- the folders under src/ include one another only downwards, in the order
  LAYERS gives (a folder may include any folder below it, never one above);
- so do the engine's rooms under engine/src, in the order ENGINE_LAYERS
  gives, and each of the engine's includes of its own sources names the
  room ("core/canvas.h"), so that none goes round the order;
- every product file (src/, engine/) is under 600 lines;
- no function of the product is longer than 80 lines (a definition is a
  line that opens a brace at the start of a line's statement and is not a
  namespace, class, struct, enum, union, extern block or initializer; its
  length runs to the brace that closes it).

Usage: check_tree.py ROOT. Prints each finding and exits 1 when there is any.
"""
import os
import re
import sys

# Top to bottom.
LAYERS = ["app", "files", "view", "imaging", "shell", "forms", "skin", "util", "runtime"]
# The engine's rooms under engine/src, top to bottom: the DLL's exports, the
# picture box, the skinned window and its controls, the decoders, and what
# they all stand on.
ENGINE_LAYERS = ["exports", "picture_box", "controls", "decoders", "core"]
MAX_FILE_LINES = 600
MAX_FUNCTION_LINES = 80
SOURCE = re.compile(r".*\.(h|cpp)$")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/')
BARE_INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)"')
NOT_A_FUNCTION = re.compile(r"\b(namespace|class|struct|enum|union|extern)\b|=\s*\{?$|^\s*(\{|static_assert)")


def product_files(root):
    for top in ("src", "engine"):
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in sorted(names):
                if SOURCE.match(name):
                    yield os.path.join(folder, name)


def layer_findings(root, path):
    for top, layers in (("src", LAYERS), (os.path.join("engine", "src"), ENGINE_LAYERS)):
        rel = os.path.relpath(path, os.path.join(root, top))
        if not rel.startswith(".."):
            return folder_findings(root, path, rel, layers)
    return []


def folder_findings(root, path, rel, layers):
    own = rel.split(os.sep)[0]
    if os.sep not in rel:
        return ["%s: lies in no folder of the layers" % path]
    if own not in layers:
        return ["%s: folder %s has no place in the layers" % (path, own)]
    engine = layers is ENGINE_LAYERS
    findings = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if m and m.group(1) in layers and layers.index(m.group(1)) < layers.index(own):
                findings.append("%s:%d: %s includes %s, which lies above it" % (path, number, own, m.group(1)))
            bare = BARE_INCLUDE.match(line) if engine else None
            # The engine's public headers (engine/include) are named bare;
            # its own sources by their room.
            if bare and not os.path.exists(os.path.join(root, "engine", "include", bare.group(1))):
                findings.append("%s:%d: includes %s without its room" % (path, number, bare.group(1)))
    return findings


def function_findings(path, lines):
    findings = []
    depth = 0
    start = None  # (line number, depth) of the open function
    statement = ""
    for number, line in enumerate(lines, 1):
        code = re.sub(r'"(\\.|[^"\\])*"|\'(\\.|[^\'\\])*\'|//.*', "", line)
        for ch in code:
            if ch == "{":
                if start is None and not NOT_A_FUNCTION.search(statement.strip()) and ")" in statement:
                    start = (number, depth)
                depth += 1
                statement = ""
            elif ch == "}":
                depth -= 1
                if start is not None and depth == start[1]:
                    length = number - start[0] + 1
                    if length > MAX_FUNCTION_LINES:
                        findings.append("%s:%d: a function of %d lines" % (path, start[0], length))
                    start = None
                statement = ""
            elif ch == ";":
                statement = ""
            else:
                statement += ch
        statement += " "
    return findings


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    root = argv[1]
    findings = []
    for path in product_files(root):
        with open(path, encoding="utf-8") as f:
            lines = f.read().split("\n")
        if len(lines) - 1 > MAX_FILE_LINES:
            findings.append("%s: %d lines" % (path, len(lines) - 1))
        findings += layer_findings(root, path)
        findings += function_findings(path, lines)
    for finding in findings:
        print(finding)
    print("%d findings" % len(findings))
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
