#!/usr/bin/env python3
"""Turns the raw figures of bench/compare/run.sh into the side-by-side table
(medians, with the lowest and highest figure of the run) and the ratios
against the targets (the frame that stays), each marked met or not met.

    python3 summarise.py RESULTS [ROUNDS] [BIG_FILE_BYTES]

RESULTS holds one line per timed run: round=R viewer=V measure=M key=value...
as framewatch printed them; -1 stands for a timeout or a missing figure."""
import statistics
import sys

VIEWERS = [("vela", "Vela"), ("wview", "minimal serial GDI+ viewer under Wine"),
           ("feh", "feh (native Linux)"), ("nsxiv", "nsxiv")]


def read(path):
    runs = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            fields = dict(kv.split("=", 1) for kv in line.split() if "=" in kv)
            if "viewer" in fields and "measure" in fields:
                runs.append(fields)
    return runs


def num(text):
    try:
        return float(text)
    except (TypeError, ValueError):
        return -1.0


def samples(runs, viewer, measure, key):
    """Every figure of one kind; the steps of a folder run count one by one
    ("step": the first change after each key, "step_settled": the last)."""
    out, missing = [], 0
    for r in runs:
        if r["viewer"] != viewer or r["measure"] != measure:
            continue
        if key == "step":
            keys = [k for k in r if k.startswith("step") and k.endswith("_ms") and "settled" not in k]
        elif key == "step_settled":
            keys = [k for k in r if k.startswith("step") and k.endswith("_settled_ms")]
        else:
            keys = [key]
        if key.startswith("step") and not keys:
            missing += 1
        for k in keys:
            v = num(r.get(k))
            if v < 0:
                missing += 1
            else:
                out.append(v / 1024 if k == "peak_kb" else v)  # peak in MiB
    return out, missing


def cell(values, missing, unit):
    if not values:
        return "—"
    med = statistics.median(values)
    text = f"{med:.0f} {unit} ({min(values):.0f}–{max(values):.0f})"
    if missing:
        text += f", {missing} timed out"
    return text


def median(values):
    return statistics.median(values) if values else None


def main():
    runs = read(sys.argv[1])
    rounds = sys.argv[2] if len(sys.argv) > 2 else "?"
    size = f", {int(sys.argv[3]) / 1e6:.1f} MB" if len(sys.argv) > 3 else ""
    # Each time row: the first change on the screen, and the last one (the
    # frame that stays: the screen then did not change for 1.5 s).
    rows = [
        (f"launch → fitted 6000 × 4000 JPEG (q90{size})", "big", ("first_ms", "settled_ms"), "ms"),
        ("launch → fitted 4032 × 3024 phone photo (EXIF orientation 6)", "phone", ("first_ms", "settled_ms"), "ms"),
        ("launch → fitted 4032 × 3024 photo, JPEG q92", "photo", ("first_ms", "settled_ms"), "ms"),
        ("launch → fitted 4032 × 3024 photo, HEIC q90", "heic", ("first_ms", "settled_ms"), "ms"),
        ("launch → 640 × 480 JPEG", "small", ("first_ms", "settled_ms"), "ms"),
        ("key → next 6000 × 4000 picture", "folder", ("step", "step_settled"), "ms"),
        ("key → next 6000 × 4000 picture, full screen", "fullscreen", ("step", "step_settled"), "ms"),
        ("peak memory, 24 MP picture", "big", ("peak_kb",), "MiB"),
        ("peak memory, launch and 3 steps in the 24 MP folder", "folder", ("peak_kb",), "MiB"),
    ]
    med = {}
    print()
    print(f"Side by side, {rounds} interleaved rounds on a 1920 × 1080 Xvfb, warm Wine: "
          "median (lowest–highest); times as first change / frame that stays")
    print("| measure | " + " | ".join(name for _, name in VIEWERS) + " |")
    print("|---" * (len(VIEWERS) + 1) + "|")
    for label, measure, keys, unit in rows:
        cells = []
        for v, _ in VIEWERS:
            parts = []
            for key in keys:
                values, missing = samples(runs, v, measure, key)
                med[(v, measure, key)] = median(values)
                parts.append(cell(values, missing, unit))
            cells.append(" / ".join(parts))
        print(f"| {label} | " + " | ".join(cells) + " |")
    empty, _ = samples(runs, "vela", "empty", "peak_kb")
    empty_med = median(empty)
    if empty_med is not None:
        print(f"Vela with no picture: peak {empty_med:.0f} MiB ({min(empty):.0f}–{max(empty):.0f})")

    print()
    print("Targets (ratios of medians measured in this run, the frame that stays)")

    def ratio_line(label, num_, den, target, anchor, unit="ms"):
        if num_ is None or den is None or den <= 0:
            print(f"- {label}: not measured ({anchor} or Vela missing) — not met")
            return
        r = num_ / den
        verdict = "met" if r <= target else "not met"
        print(f"- {label}: {num_:.0f} / {den:.0f} {unit} = {r:.2f} × {anchor} (target ≤ {target:.2f} ×) — {verdict}")

    ratio_line("launch → fitted 24 MP frame", med[("vela", "big", "settled_ms")], med[("feh", "big", "settled_ms")],
               1.0, "feh")
    ratio_line("launch → fitted 12 MP phone photo", med[("vela", "phone", "settled_ms")],
               med[("feh", "phone", "settled_ms")], 1.0, "feh")
    ratio_line("launch → fitted 12 MP HEIC", med[("vela", "heic", "settled_ms")],
               med[("vela", "photo", "settled_ms")], 1.5, "Vela's launch → the same photo as JPEG")
    ratio_line("launch → 640 × 480 frame", med[("vela", "small", "settled_ms")],
               med[("wview", "small", "settled_ms")], 1.15, "the minimal GDI+ viewer")
    ratio_line("key → next 24 MP picture", med[("vela", "folder", "step_settled")],
               med[("feh", "folder", "step_settled")], 0.25, "feh's next-image time")
    ratio_line("key → next 24 MP picture in full screen", med[("vela", "fullscreen", "step_settled")],
               med[("feh", "fullscreen", "step_settled")], 0.25, "feh's full-screen next-image time")
    ratio_line("peak memory walking the 24 MP folder (launch and 3 steps)", med[("vela", "folder", "peak_kb")],
               med[("feh", "folder", "peak_kb")], 1.4, "feh's", "MiB")
    return 0


if __name__ == "__main__":
    sys.exit(main())
