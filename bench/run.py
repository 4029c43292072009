#!/usr/bin/python3
"""Runs the whole comparison on the same sheets and prints the table.

usage: run.py BUILD_DIR WORK_DIR [--runs N] [--png-runs N] [--formats F,...] [--tools T,...]
BUILD_DIR holds split-bench, sample-time and qinghe-split; WORK_DIR/a4 the 16 A4 sheets
and WORK_DIR/a3 the A3 sheet. --formats (jpg, png, tif, bmp) and --tools (cli, vips,
pillow, magick) pick rows; split-bench always runs, as every ratio needs it. Every format
is written three ways by every tool in the same rounds: to memory (tmpfs), to a fresh
folder on the ordinary disk, and on the disk over the pieces of the tool's previous run
(the usual second try). Each timed run starts after a sync; its folder is measured
afterwards.
"""
import argparse
import glob
import json
import os
import re
import resource
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
CORES = os.cpu_count() or 1
FORMATS = [("jpg", 0, "JPEG q100"), ("png", 0, "PNG"), ("tif", 0, "TIFF (none)"),
           ("bmp", 0, "BMP"), ("jpg", 1, "JPEG +90")]


# The command-line splitter's row: the whole process timed from outside, since it prints
# no time of its own, so it is held against split-bench's whole process too. It cuts
# split-bench's frames, given as a layout file, so that both write the same pieces (step 2's
# default grid of 4 parts would cut 1239 of an A4 sheet's 2480 columns, not 1240).
CLI = f"qinghe-split, {CORES} threads, whole process"
# The same with --manifest: a record of every piece with its SHA-256, which the run
# computes from the bytes as it writes them.
CLI_MANIFEST = f"qinghe-split --manifest, {CORES} threads, whole process"


def jpeg_size(path):
    """Width and height from a JPEG's start-of-frame marker."""
    with open(path, "rb") as f:
        data = f.read()
    at = 2
    while at + 9 <= len(data) and data[at] == 0xFF:
        marker, length = data[at + 1], int.from_bytes(data[at + 2:at + 4], "big")
        if marker in (0xC0, 0xC1, 0xC2):
            return (int.from_bytes(data[at + 7:at + 9], "big"),
                    int.from_bytes(data[at + 5:at + 7], "big"))
        at += 2 + length
    raise ValueError(f"no frame header in {path}")


def write_grid_layout(picture, rot, path):
    """split-bench's grid as a layout file: 2 x 2 equal cells over the first picture in
    the orientation the rotation gives it, lettered A to D row by row."""
    width, height = jpeg_size(picture)
    turned_w, turned_h = (height, width) if rot % 2 else (width, height)
    w, h = turned_w // 2, turned_h // 2
    frames = [{"letter": "ABCD"[2 * r + c], "x": c * w, "y": r * h, "width": w, "height": h}
              for r in range(2) for c in range(2)]
    layout = {"format": 1, "parts": 4, "rotation": 90 * rot,
              "sample": {"width": width, "height": height}, "frames": frames}
    with open(path, "w") as f:
        json.dump(layout, f, indent=4)


def tools(build, work, picked):
    """(label, one-process?, ours?, command maker) for every row; a maker gives None for a
    format its tool does not write in this benchmark."""
    bench = os.path.join(build, "bench", "split-bench")
    cli = os.path.join(build, "qinghe-split")
    others = [sys.executable, os.path.join(HERE, "others.py")]

    def ours(threads):
        return lambda fmt, rot, out, files: [bench, "--format", fmt, "--rotation", str(rot),
                                             "--grid", "2x2", "--threads", str(threads),
                                             "--out", out] + files

    def other(tool, workers):
        return lambda fmt, rot, out, files: others + [tool, fmt, str(rot), "2x2",
                                                      str(workers), out] + files

    def split_command(fmt, rot, out, files, manifest=False):
        # The same 2 x 2 frames as split-bench, as a saved layout, so that both cut the same
        # pieces and the difference is the command's own.
        if fmt != "jpg" or not os.path.exists(cli):
            return None
        layout = os.path.join(work, f"grid-{rot}.json")
        write_grid_layout(files[0], rot, layout)
        # Beside the pieces' folder, so that its bytes are not counted as theirs.
        record = ["--manifest", os.path.join(work, "manifest.jsonl")] if manifest else []
        return [cli, "--layout", layout, "--format", fmt, "--threads", str(CORES)] + record + [
            "--out", out] + files

    def split_command_manifest(fmt, rot, out, files):
        return split_command(fmt, rot, out, files, manifest=True)

    rows = [("ours, 1 thread", True, True, ours(1), None),
            (f"ours, {CORES} threads", False, True, ours(CORES), None),
            (CLI, False, True, split_command, "cli"),
            (CLI_MANIFEST, False, True, split_command_manifest, "cli"),
            ("libvips, one process", True, False, other("vips", 1), "vips"),
            ("Pillow, one process", True, False, other("pillow", 1), "pillow"),
            (f"Pillow, {CORES} workers", False, False, other("pillow", CORES), "pillow"),
            ("ImageMagick, one at a time", True, False, other("magick", 1), "magick"),
            (f"ImageMagick, {CORES} at a time", False, False, other("magick", CORES), "magick")]
    return [row[:4] for row in rows if row[4] is None or picked is None or row[4] in picked]


def output_folder(work):
    """Pieces go to memory (tmpfs) where there is room: on disk, a run that follows the
    deletion of another tool's 400 MB of output pays for it in the file system (writes
    measured twice as slow), which would fall on whichever tool comes next."""
    shm = "/dev/shm"
    if os.path.isdir(shm) and os.access(shm, os.W_OK) and shutil.disk_usage(shm).free > 2e9:
        return os.path.join(shm, f"splitter-bench-{os.getpid()}")
    return os.path.join(work, "out")


def folder_bytes(folder):
    return sum(os.path.getsize(p) for p in glob.glob(os.path.join(folder, "*")))


# Where the pieces go: memory, a fresh folder on the disk, the disk over earlier pieces.
MODES = [("tmpfs", "to memory (tmpfs)"), ("disk", "to an empty folder on the disk"),
         ("disk-over", "on the disk, over the pieces of the previous run")]


def timed(command, out, keep=False):
    """Times one run into out: the seconds the tool prints (None when it prints none), and
    the wall and processor seconds of its whole process. With keep, the folder's earlier pieces stay (a
    first run fills it when it is empty) and the new ones are kept for the next run."""
    if not keep or not os.path.isdir(out) or not os.listdir(out):
        shutil.rmtree(out, ignore_errors=True)
        os.makedirs(out)
        if keep:
            subprocess.run(command, capture_output=True, text=True)
    subprocess.run(["sync"], check=False)
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    run = subprocess.run(command, capture_output=True, text=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    found = re.search(r"seconds=([0-9.]+)", run.stdout)
    if run.returncode != 0:
        return None, (None, None), 0, run.stdout
    size = folder_bytes(out)
    if not keep:
        shutil.rmtree(out, ignore_errors=True)
    return float(found.group(1)) if found else None, (wall, cpu), size, run.stdout


def print_cli_against_bench(walls, results, formats, bench_label):
    """qinghe-split against split-bench on the same sheets and frames with as many threads,
    both timed as whole processes (start, reading the arguments, the run, the flush); the
    processor seconds move less than the wall seconds on a busy machine."""
    rows = []
    for _, _, flabel in formats:
        for mode, _ in MODES:
            cli = walls.get((flabel, CLI, mode))
            bench = walls.get((flabel, bench_label, mode))
            inside = results.get((flabel, bench_label, mode))
            if cli and bench and inside:
                ratio = cli[0] / bench[0]
                rows.append(f"| {flabel} | {mode} | {bench[0]:.3f} | {inside[0]:.3f} | "
                            f"{cli[0]:.3f} | {ratio:.3f} | {'yes' if ratio <= 1.03 else 'NO'} | "
                            f"{bench[1]:.3f} | {cli[1]:.3f} | {cli[1] / bench[1]:.3f} |")
    manifest_rows = []
    for _, _, flabel in formats:
        for mode, _ in MODES:
            plain = walls.get((flabel, CLI, mode))
            recorded = walls.get((flabel, CLI_MANIFEST, mode))
            if plain and recorded:
                ratio = recorded[0] / plain[0]
                manifest_rows.append(
                    f"| {flabel} | {mode} | {plain[0]:.3f} | {recorded[0]:.3f} | {ratio:.3f} | "
                    f"{'yes' if ratio <= 1.03 else 'NO'} | {plain[1]:.3f} | {recorded[1]:.3f} |")
    if manifest_rows:
        print(f"\n| qinghe-split with --manifest against without, {CORES} threads | pieces to | "
              "without, whole process | with --manifest | ratio | ≤ 1.03 | without, processor s "
              "| with, processor s |")
        print("|---|---|---|---|---|---|---|---|")
        print("\n".join(manifest_rows))
    if not rows:
        return
    print(f"\n| qinghe-split against split-bench, {CORES} threads | pieces to | split-bench, "
          "whole process | split-bench, its run | qinghe-split, whole process | ratio | "
          "≤ 1.03 | split-bench, processor s | qinghe-split, processor s | ratio |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    print("\n".join(rows))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("work")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--png-runs", type=int, default=1,
                        help="runs of the other tools' PNG rows (the slow ones)")
    parser.add_argument("--formats", help="formats to run, e.g. jpg,png (default: all)")
    parser.add_argument("--tools", help="other rows to run: cli,vips,pillow,magick (default: all)")
    args = parser.parse_args()
    formats = [f for f in FORMATS if not args.formats or f[0] in args.formats.split(",")]
    sheets = sorted(glob.glob(os.path.join(args.work, "a4", "*.jpg")))
    a3 = sorted(glob.glob(os.path.join(args.work, "a3", "*.jpg")))
    out = output_folder(args.work)
    disk = os.path.join(args.work, "out-disk")
    rows = tools(args.build, args.work, args.tools.split(",") if args.tools else None)

    results = {}  # (format label, tool label, mode) -> (median seconds, bytes, runs)
    walls = {}  # split-bench and qinghe-split as whole processes -> (wall, processor) medians
    peak = {}
    for fmt, rot, flabel in formats:
        # Rounds of every tool in turn rather than one tool's runs in a row, so that a
        # passing load on the machine falls on all of them alike.
        seconds = {(label, mode): [] for label, _, _, _ in rows for mode, _ in MODES}
        wall_seconds = {(label, mode): [] for label in (rows[1][0], CLI, CLI_MANIFEST)
                        for mode, _ in MODES}
        sizes = {}
        for round_ in range(args.runs):
            # Every other round in reverse, so that no tool always follows the same one.
            for label, _, ours, make in (rows if round_ % 2 == 0 else rows[::-1]):
                runs = args.runs if ours or fmt != "png" else args.png_runs
                for mode, _ in MODES:
                    key = (label, mode)
                    if round_ >= runs or (round_ > 0 and not seconds[key]):
                        continue
                    folder = out if mode == "tmpfs" else os.path.join(disk, f"{label}-{mode}")
                    command = make(fmt, rot, folder, sheets)
                    if command is None:
                        continue
                    s, whole, b, text = timed(command, folder, keep=mode == "disk-over")
                    if label in (CLI, CLI_MANIFEST):
                        s = whole[0]
                    if s is None:
                        continue
                    seconds[key].append(s)
                    if key in wall_seconds:
                        wall_seconds[key].append(whole)
                    sizes[key] = b
                    m = re.search(r"peak_mb=([0-9.]+)", text)
                    if m and label == rows[1][0] and fmt == "jpg" and rot == 0:
                        peak["a4"] = max(peak.get("a4", 0.0), float(m.group(1)))
        shutil.rmtree(disk, ignore_errors=True)
        for label, _, _, _ in rows:
            for mode, _ in MODES:
                times = seconds[(label, mode)]
                if times:
                    results[(flabel, label, mode)] = (statistics.median(times),
                                                      sizes[(label, mode)], len(times))
                print(f"  {flabel:12} {label:28} {mode:9} "
                      + (f"{statistics.median(times):7.2f} s" if times else "    n/a"),
                      file=sys.stderr, flush=True)
        for key, times in wall_seconds.items():
            if times:
                walls[(flabel,) + key] = (statistics.median(t[0] for t in times),
                                          statistics.median(t[1] for t in times))

    # The program's step 1 -> step 2 time and a batch of the A3 sheet.
    sample = {}
    for name, files in (("2480 x 3508", sheets[:1]), ("7016 x 9921", a3[:1])):
        run = subprocess.run([os.path.join(args.build, "bench", "sample-time"), files[0], "5"],
                             capture_output=True, text=True)
        m = re.search(r"sample_ms=([0-9.]+)", run.stdout)
        sample[name] = float(m.group(1)) if m else None
    if a3:
        _, _, _, text = timed(rows[1][3]("jpg", 0, out, a3[:1]), out)
        m = re.search(r"peak_mb=([0-9.]+)", text)
        peak["a3"] = float(m.group(1)) if m else None

    shutil.rmtree(out, ignore_errors=True)
    print(f"\nPieces written to memory in {os.path.dirname(out)}, to the disk in {disk}")
    print(f"\nMedian wall seconds, {len(sheets)} sheets of 2480 x 3508 cut 2 x 2 "
          f"({4 * len(sheets)} pieces), {CORES} cores; runs: {args.runs} "
          f"(other tools' PNG rows: {args.png_runs})\n")
    labels = [r[0] for r in rows]
    for mode, title in MODES:
        print(f"\nPieces written {title}:\n")
        print("| format | " + " | ".join(labels) + " |")
        print("|---" * (len(labels) + 1) + "|")
        for _, _, flabel in formats:
            cells = []
            for label in labels:
                r = results.get((flabel, label, mode))
                cells.append(f"{r[0]:.2f}" if r else "–")
            print(f"| {flabel} | " + " | ".join(cells) + " |")
    # On the disk over earlier pieces, against Pillow with as many workers as cores and
    # against our own time to memory.
    disk_targets = {"JPEG q100": 0.80, "TIFF (none)": 1.00, "BMP": 1.00}
    pillow = f"Pillow, {CORES} workers"
    print("\n| on disk, over earlier pieces | ours | Pillow | ratio | target | ours to memory | "
          "disk / memory |")
    print("|---|---|---|---|---|---|---|")
    for _, _, flabel in formats:
        ours_disk = results.get((flabel, labels[1], "disk-over"))
        theirs = results.get((flabel, pillow, "disk-over"))
        ours_mem = results.get((flabel, labels[1], "tmpfs"))
        if not (ours_disk and theirs and ours_mem):
            continue
        target = disk_targets.get(flabel)
        print(f"| {flabel} | {ours_disk[0]:.2f} | {theirs[0]:.2f} | "
              f"{ours_disk[0] / theirs[0]:.2f} | {f'≤ {target:.2f}' if target else '–'} | "
              f"{ours_mem[0]:.2f} | {ours_disk[0] / ours_mem[0]:.2f} |")

    targets = {"JPEG q100": 0.85, "PNG": 0.25, "TIFF (none)": 0.9, "BMP": 0.9, "JPEG +90": 0.85}
    print("\n| format | ours (every core) | fastest other | ratio | target | "
          "ours (1 thread) | fastest one-process other | holds |")
    print("|---|---|---|---|---|---|---|---|")
    for _, _, flabel in formats:
        ours_all = results.get((flabel, labels[1], "tmpfs"))
        ours_one = results.get((flabel, labels[0], "tmpfs"))
        others = [(results[(flabel, l, "tmpfs")][0], l) for l, _, o, _ in rows
                  if not o and (flabel, l, "tmpfs") in results]
        single = [(results[(flabel, l, "tmpfs")][0], l) for l, one, o, _ in rows
                  if not o and one and (flabel, l, "tmpfs") in results]
        if not (ours_all and ours_one and others and single):
            continue
        best, best_label = min(others)
        best1, best1_label = min(single)
        ratio = ours_all[0] / best
        holds = ratio <= targets[flabel] and ours_one[0] <= best1
        print(f"| {flabel} | {ours_all[0]:.2f} | {best:.2f} ({best_label}) | {ratio:.2f} | "
              f"≤ {targets[flabel]} | {ours_one[0]:.2f} | {best1:.2f} ({best1_label}) | "
              f"{'yes' if holds else 'NO'} |")

    png = [(results[("PNG", l, "tmpfs")][1], l) for l, _, o, _ in rows
           if not o and ("PNG", l, "tmpfs") in results]
    ours_png = results.get(("PNG", labels[1], "tmpfs"))
    if png and ours_png:
        smallest, who = min(png)
        print(f"\nPNG output: ours {ours_png[1] / 1e6:.1f} MB, smallest other "
              f"{smallest / 1e6:.1f} MB ({who}): {100 * (ours_png[1] / smallest - 1):+.1f} % "
              f"(target ≤ +15 %)")

    print_cli_against_bench(walls, results, formats, labels[1])

    print("\n| step 1 Next to sample drawn | ms | target |")
    print("|---|---|---|")
    for name, limit in (("2480 x 3508", 100), ("7016 x 9921", 400)):
        v = sample.get(name)
        print(f"| {name} | {v:.0f} | < {limit} |" if v is not None else f"| {name} | – | < {limit} |")

    def bound(w, h):
        return 3 * w * h * 3 / 2**20 + 100

    print("\n| batch | peak MB | bound: three decoded pictures (24-bit) + 100 MB |")
    print("|---|---|---|")
    if peak.get("a4") is not None:
        print(f"| 16 x 2480 x 3508, JPEG, every core | {peak['a4']:.0f} | {bound(2480, 3508):.0f} |")
    if peak.get("a3") is not None:
        print(f"| 1 x 7016 x 9921, JPEG, every core | {peak['a3']:.0f} | {bound(7016, 9921):.0f} |")


if __name__ == "__main__":
    main()
