#!/usr/bin/env python3
"""Moves the engine's sources from the one folder engine/src into rooms by
subject, with `git mv`, and points every include and build path at the new
places.

    python3 tools/engine_rooms.py

Run from anywhere inside the repository, on a work tree without uncommitted
changes to tracked files (but for this script's own table). It

- stops before moving anything when engine/src holds a file ROOMS does not
  name (added since the table was written): add it to ROOMS and run again;
- refuses to run when a room already exists (the move is done);
- moves each file with `git mv`;
- rewrites every `#include "name.h"` of a moved header in engine/, tests/,
  bench/ and tools/ to `#include "room/name.h"` (engine/src stays an include
  folder, so that is all it takes); outside engine/src a header of that name
  beside the including file is left alone;
- rewrites each `engine/src/name` in the CMake files and the scripts.

The rewritten files are left modified for review; commit them with the moves.
The rooms, top to bottom (each includes only those below it, as
tests/tools/check_tree.py checks): exports, picture_box, controls,
decoders, core.
"""
import os
import re
import subprocess
import sys

ROOMS = {
    # The DLL's exported functions: the face the viewer binds by name.
    "exports.cpp": "exports",
    # The picture box: the control that shows a picture, its decode on a
    # worker, the pictures prepared ahead, the view's copy, the frames' player.
    "picture.cpp": "picture_box",
    "picture.h": "picture_box",
    "decode_job.cpp": "picture_box",
    "decode_hold.cpp": "picture_box",
    "decode_hold.h": "picture_box",
    "prepared.cpp": "picture_box",
    "prepared.h": "picture_box",
    "view_copy.cpp": "picture_box",
    "view_copy.h": "picture_box",
    "frame_player.cpp": "picture_box",
    "frame_player.h": "picture_box",
    # The skinned window and its controls: the frame that composes them, the
    # skin, the buttons, the texts given to the platform.
    "window_skin.cpp": "controls",
    "frame.cpp": "controls",
    "frame.h": "controls",
    "control.cpp": "controls",
    "control.h": "controls",
    "buttons.cpp": "controls",
    "window_text.cpp": "controls",
    "window_text.h": "controls",
    # Bytes to pixels: the formats, the frames of moving pictures, colour
    # profiles, turning by the EXIF orientation.
    "decode.cpp": "decoders",
    "decode.h": "decoders",
    "jpeg_decode.cpp": "decoders",
    "jpeg_decode.h": "decoders",
    "jpeg_scale.h": "picture_box",
    "webp_decode.cpp": "decoders",
    "webp_decode.h": "decoders",
    "platform_decode.cpp": "decoders",
    "platform_decode.h": "decoders",
    "gif_frames.cpp": "decoders",
    "animation.cpp": "decoders",
    "animation.h": "decoders",
    "colour.cpp": "decoders",
    "colour.h": "decoders",
    "upright.cpp": "decoders",
    "upright.h": "decoders",
    # What every room stands on: the workers, images and the memory budget,
    # control attributes, skin packs, the handle owner, the window table, the
    # points the tests' engine build replaces.
    "pool.cpp": "core",
    "pool.h": "core",
    "canvas.cpp": "core",
    "canvas.h": "core",
    "attributes.cpp": "core",
    "attributes.h": "core",
    "pack.cpp": "core",
    "pack.h": "core",
    "unique.h": "core",
    "window_table.h": "core",
    "test_points.cpp": "core",
    "test_points.h": "core",
}

ENGINE_SRC = os.path.join("engine", "src")
INCLUDE_TREES = ("engine/", "tests/", "bench/", "tools/")
SOURCE = re.compile(r".*\.(h|hpp|c|cc|cpp)$")
BUILD_FILE = re.compile(r"(^|/)CMakeLists\.txt$|\.cmake$|^scripts/.*\.sh$")
INCLUDE = re.compile(r'^(\s*#\s*include\s+")([^"/]+)(")', re.MULTILINE)
QUOTED_INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def die(message):
    sys.stderr.write("engine_rooms: %s\n" % message)
    sys.exit(1)


def git(*args):
    return subprocess.run(("git",) + args, check=True, capture_output=True, text=True).stdout


def tracked_files():
    return [p for p in git("ls-files", "-z").split("\0") if p]


def check_can_move():
    rooms = sorted(set(ROOMS.values()))
    done = [r for r in rooms if os.path.exists(os.path.join(ENGINE_SRC, r))]
    if done:
        die("engine/src already has rooms (%s): the move is done; nothing changed" % ", ".join(done))
    unknown = sorted(n for n in os.listdir(ENGINE_SRC) if n not in ROOMS)
    if unknown:
        die("engine/src holds files the table does not name: %s\n"
            "  add each to ROOMS in tools/engine_rooms.py and run again; nothing was moved" % ", ".join(unknown))
    # The table itself may be edited just before a run (files added since).
    if git("status", "--porcelain", "--untracked-files=no", "--", ".", ":!tools/engine_rooms.py").strip():
        die("the work tree has uncommitted changes; commit or stash them first, so the move is its own change")


def move_files():
    moved = {}
    for name, room in sorted(ROOMS.items()):
        old = os.path.join(ENGINE_SRC, name)
        if not os.path.exists(old):
            print("engine_rooms: %s is gone from engine/src; skipped" % name)
            continue
        os.makedirs(os.path.join(ENGINE_SRC, room), exist_ok=True)
        git("mv", old, os.path.join(ENGINE_SRC, room, name))
        moved[name] = room
    return moved


def rewrite_includes(path, moved):
    in_engine_src = path.startswith(ENGINE_SRC + "/")
    folder = os.path.dirname(path)

    def placed(m):
        name = m.group(2)
        if name not in moved:
            return m.group(0)
        # Outside engine/src, a header of that name beside the file is its own.
        if not in_engine_src and os.path.exists(os.path.join(folder, name)):
            return m.group(0)
        return "%s%s/%s%s" % (m.group(1), moved[name], name, m.group(3))

    text = read(path)
    placed_text = INCLUDE.sub(placed, text)
    return text if placed_text == text else sort_include_runs(path, placed_text)


def sort_include_runs(path, text):
    """Puts each run of adjacent quoted includes back in order by path; a
    file's own header, first in its run, stays first."""
    own = os.path.splitext(os.path.basename(path))[0] + ".h"
    lines = text.split("\n")
    out, run = [], []

    def flush():
        head = run[:1] if run and QUOTED_INCLUDE.match(run[0]).group(1).split("/")[-1] == own else []
        out.extend(head + sorted(run[len(head):], key=lambda line: QUOTED_INCLUDE.match(line).group(1)))
        run.clear()

    for line in lines:
        if QUOTED_INCLUDE.match(line):
            run.append(line)
        else:
            flush()
            out.append(line)
    flush()
    return "\n".join(out)


def rewrite_build_paths(path, moved):
    text = read(path)
    for name, room in moved.items():
        text = re.sub(r"engine/src/%s(?![\w.])" % re.escape(name), "engine/src/%s/%s" % (room, name), text)
    return text


def read(path):
    with open(path, encoding="utf-8", newline="") as f:
        return f.read()


def rewrite_all(moved):
    changed = []
    for path in tracked_files():
        if not os.path.isfile(path):
            continue
        if SOURCE.match(path) and path.startswith(INCLUDE_TREES):
            text = rewrite_includes(path, moved)
        elif BUILD_FILE.search(path):
            text = rewrite_build_paths(path, moved)
        else:
            continue
        if text != read(path):
            with open(path, "w", encoding="utf-8", newline="") as f:
                f.write(text)
            changed.append(path)
    return changed


def main():
    os.chdir(git("rev-parse", "--show-toplevel").strip())
    check_can_move()
    moved = move_files()
    changed = rewrite_all(moved)
    rooms = sorted(set(moved.values()))
    print("engine_rooms: moved %d files into %s" % (len(moved), ", ".join(rooms)))
    print("engine_rooms: rewrote includes or paths in %d files:" % len(changed))
    for path in changed:
        print("  " + path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
