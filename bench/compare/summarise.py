#!/usr/bin/env python3
"""Turns the raw figures of bench/compare/run.sh into the side-by-side table
(medians, with the lowest and highest figure of the run) and the ratios
against the targets, each marked met or not met.

    python3 summarise.py RESULTS [ROUNDS] [BIG_FILE_BYTES]

RESULTS holds one line per timed run: round=R viewer=V measure=M key=value...
as framewatch printed them; -1 stands for a timeout or a missing figure."""
import statistics
import sys

VIEWERS = [("vela", "Vela"), ("wview", "minimal serial GDI+ viewer under Wine"),
           ("feh", "feh (native Linux)"), ("nsxiv", "nsxiv")]
MIB = 1024 * 1024
DECODED = 6000 * 4000 * 4      # the 24 MP picture as 32-bit pixels
SCREEN = 1920 * 1080 * 4       # one 32-bit screen of the Xvfb display


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
    """Every figure of one kind; the steps of a folder run count one by one."""
    out, missing = [], 0
    for r in runs:
        if r["viewer"] != viewer or r["measure"] != measure:
            continue
        keys = [k for k in r if k.startswith("step") and k.endswith("_ms") and "settled" not in k] \
            if key == "step" else [key]
        if key == "step" and not keys:
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
    rows = [
        (f"launch → fitted 6000 × 4000 JPEG (q90{size})", "big", "first_ms", "ms"),
        ("launch → 640 × 480 JPEG", "small", "first_ms", "ms"),
        ("key → next 6000 × 4000 picture", "folder", "step", "ms"),
        ("peak memory, 24 MP picture", "big", "peak_kb", "MiB"),
        ("peak memory, launch and 3 steps in the 24 MP folder", "folder", "peak_kb", "MiB"),
    ]
    med = {}
    print()
    print(f"Side by side, {rounds} interleaved rounds on a 1920 × 1080 Xvfb, warm Wine: "
          "median (lowest–highest)")
    print("| measure | " + " | ".join(name for _, name in VIEWERS) + " |")
    print("|---" * (len(VIEWERS) + 1) + "|")
    for label, measure, key, unit in rows:
        cells = []
        for v, _ in VIEWERS:
            values, missing = samples(runs, v, measure, key)
            med[(v, measure, key)] = median(values)
            cells.append(cell(values, missing, unit))
        print(f"| {label} | " + " | ".join(cells) + " |")
    empty, _ = samples(runs, "vela", "empty", "peak_kb")
    empty_med = median(empty)
    if empty_med is not None:
        print(f"Vela with no picture: peak {empty_med:.0f} MiB ({min(empty):.0f}–{max(empty):.0f})")

    print()
    print("Targets (ratios of medians measured in this run)")

    def ratio_line(label, num_, den, target, anchor):
        if num_ is None or den is None or den <= 0:
            print(f"- {label}: not measured ({anchor} or Vela missing) — not met")
            return
        r = num_ / den
        verdict = "met" if r <= target else "not met"
        print(f"- {label}: {num_:.0f} / {den:.0f} ms = {r:.2f} × {anchor} (target ≤ {target:.2f} ×) — {verdict}")

    ratio_line("key → next 24 MP picture", med[("vela", "folder", "step")], med[("feh", "folder", "step")],
               0.25, "feh's next-image time")
    ratio_line("launch → 640 × 480 frame", med[("vela", "small", "first_ms")], med[("wview", "small", "first_ms")],
               1.0, "the minimal GDI+ viewer")
    ratio_line("launch → fitted 24 MP frame", med[("vela", "big", "first_ms")], med[("feh", "big", "first_ms")],
               2.5, "feh")
    limit = (3 * DECODED + 3 * SCREEN) / MIB + 60
    peaks = [p for p in (med[("vela", "big", "peak_kb")], med[("vela", "folder", "peak_kb")]) if p is not None]
    if not peaks or empty_med is None:
        print("- peak memory above the empty viewer: not measured — not met")
    else:
        above = max(peaks) - empty_med
        verdict = "met" if above <= limit else "not met"
        print(f"- peak memory above the empty viewer (the larger of the two 24 MP rows): {max(peaks):.0f} − "
              f"{empty_med:.0f} = {above:.0f} MiB against 3 × {DECODED / MIB:.1f} (decoded picture) + "
              f"3 × {SCREEN / MIB:.1f} (screen) + 60 = {limit:.0f} MiB, {above / limit:.2f} × the limit — {verdict}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
