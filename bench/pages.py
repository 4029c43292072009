#!/usr/bin/python3
"""Multi-page scans, kept depth and books: the rows that time and weigh them.

usage: pages.py BUILD_DIR WORK_DIR [--runs N] [--rows 1,2,3,4,5]
BUILD_DIR holds qinghe-split and bench/make-scans; WORK_DIR/a4 the 16 A4 sheets of the
main benchmark (made when missing). The pictures are made once into WORK_DIR/pages and
kept for the next run. Every figure is a ratio between commands run in the same rounds
(each command once per round, so that a passing load falls on all alike), medians of
--runs runs; each run starts after a sync and writes its pieces into an empty folder in
memory where there is room. Wall seconds are the whole process's, peak memory its maximum
resident set (from wait4, so one process's own figure).

 1  a 200-page TIFF against the same pages as 200 files; late pages against early ones
 2  a 100-page scanned PDF against pdfimages -all, then qinghe-split on what it extracted
 3  peak memory on 20 against 200 TIFF pages, 10 and 50 against 100 PDF pages
 4  a 600-dpi 1-bit A4 page: pieces with --keep-depth against the source, and without
 5  --pdf on the A4 sheets; a 300-page book of 1-bit pages: A.pdf against its G4 pieces
"""
import argparse
import glob
import hashlib
import json
import os
import shutil
import statistics
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import page_fixtures as fixtures  # noqa: E402

CORES = os.cpu_count() or 1


def output_folder(work, needed):
    """Pieces go to memory where there is room for them, as in run.py: a run that follows
    the deletion of gigabytes on the disk would pay for it in the file system."""
    shm = "/dev/shm"
    if os.path.isdir(shm) and os.access(shm, os.W_OK) and shutil.disk_usage(shm).free > needed:
        return os.path.join(shm, f"splitter-pages-{os.getpid()}")
    return os.path.join(work, "pages-out")


def fresh(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)


def timed(command):
    """Wall seconds, peak resident megabytes and processor seconds of one process; None
    when it failed. On a busy machine the processor seconds move less than the wall."""
    subprocess.run(["sync"], check=False)
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    stderr = child.stderr.read()
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    child.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        sys.stderr.write(f"failed ({os.waitstatus_to_exitcode(status)}): {' '.join(command[:6])} "
                         f"...\n{stderr.decode(errors='replace')[-400:]}\n")
        return None
    return wall, usage.ru_maxrss / 1024, usage.ru_utime + usage.ru_stime


def folder_files(folder, pattern="*"):
    return sorted(glob.glob(os.path.join(folder, pattern)))


def folder_bytes(folder, pattern="*"):
    return sum(os.path.getsize(p) for p in folder_files(folder, pattern))


def without_jfif(data):
    """A JPEG's bytes without its JFIF segment, which holds only the resolution."""
    if data[:4] == b"\xff\xd8\xff\xe0":
        return data[:2] + data[4 + int.from_bytes(data[4:6], "big"):]
    return data


def digests(folder):
    """Each piece's digest, a JPEG's without its resolution: a PDF page gives its image the
    page's resolution, while the same JPEG extracted keeps the one in its header."""
    result = {}
    for path in folder_files(folder):
        with open(path, "rb") as f:
            result[os.path.basename(path)] = hashlib.sha256(without_jfif(f.read())).hexdigest()
    return result


def warm(paths):
    """Reads the inputs once so that every run finds them in the page cache."""
    for path in paths:
        with open(path, "rb") as f:
            while f.read(1 << 22):
                pass


class Rounds:
    """Commands run in turn, --runs rounds; each keeps its walls and peaks. A command is a
    list of steps (processes run one after the other, timed together); prepare and check
    run untimed before and after each run."""

    def __init__(self, runs):
        self.runs = runs
        self.entries = []
        self.walls = {}
        self.peaks = {}
        self.steps = {}
        self.cpus = {}

    def add(self, key, steps, prepare=None, check=None):
        self.entries.append((key, steps, prepare, check))
        self.walls[key], self.peaks[key], self.steps[key], self.cpus[key] = [], [], [], []

    def run(self):
        for round_ in range(self.runs):
            for key, steps, prepare, check in self.entries:
                if prepare:
                    prepare()
                results = []
                for step in steps:
                    results.append(timed(step))
                    if results[-1] is None:
                        break
                if results and None not in results:
                    self.walls[key].append(sum(r[0] for r in results))
                    self.peaks[key].append(max(r[1] for r in results))
                    self.steps[key].append([r[0] for r in results])
                    self.cpus[key].append(sum(r[2] for r in results))
                if check:
                    check(round_)

    def wall(self, key):
        values = self.walls.get(key)
        return statistics.median(values) if values else None

    def cpu(self, key):
        values = self.cpus.get(key)
        return statistics.median(values) if values else None

    def step(self, key, index):
        values = [walls[index] for walls in self.steps.get(key, [])]
        return statistics.median(values) if values else None

    def peak(self, key):
        values = self.peaks.get(key)
        return statistics.median(values) if values else None


def held(value, limit, below=True):
    if value is None:
        return "–"
    return "yes" if (value <= limit if below else value >= limit) else "NO"


def cell(value, digits=2):
    return "–" if value is None else f"{value:.{digits}f}"


def ratio(a, b):
    return a / b if a is not None and b else None


STARTED = time.perf_counter()


def note(text):
    print(f"[pages {time.perf_counter() - STARTED:5.0f} s] {text}", file=sys.stderr, flush=True)


def is_group4(path):
    """Whether a TIFF piece kept 1 bit, stored as Group 4."""
    from PIL import Image
    with Image.open(path) as image:
        return image.mode == "1" and image.info.get("compression") == "group4"


class Bench:
    def __init__(self, args):
        self.build, self.work, self.runs = args.build, args.work, args.runs
        self.cli = os.path.join(args.build, "qinghe-split")
        self.root = os.path.join(args.work, "pages")
        os.makedirs(self.root, exist_ok=True)
        self.out = output_folder(args.work, 8e9)
        self.peaks = {}  # row 3: (kind, pages) -> median peak MB

    def split(self, *options):
        return [self.cli, "--parts", "2", *options, "--out", self.out]

    def prepare(self):
        fresh(self.out)

    def tiff_rows(self):
        note("grey TIFF pages (made once)")
        sheets = fixtures.jpeg_sheets(self.build, self.root)
        singles, multi = fixtures.grey_tiffs(sheets, self.root)
        warm(singles + list(multi.values()))
        rounds = Rounds(self.runs)
        rounds.add("singles", [self.split("--format", "tif", *singles)], self.prepare)
        for count, path in multi.items():
            rounds.add(count, [self.split("--format", "tif", path)], self.prepare)
        note(f"row 1: {len(singles)} TIFF files against one {len(singles)}-page TIFF, "
             f"{self.runs} rounds")
        rounds.run()
        t200, t20, t1, files = (rounds.wall(k) for k in (200, 20, 1, "singles"))
        c200, c20, c1, cfiles = (rounds.cpu(k) for k in (200, 20, 1, "singles"))
        self.peaks[("TIFF", 20)], self.peaks[("TIFF", 200)] = rounds.peak(20), rounds.peak(200)
        whole = ratio(t200, files)
        tenfold = ratio(t200, t20)
        # Pages 21 to 200 of the big file against pages 2 to 20 of the small one, per page:
        # the start of the process and the first page fall out of both.
        late = ratio((t200 - t20) / 180, (t20 - t1) / 19) if None not in (t200, t20, t1) else None
        late_cpu = (ratio((c200 - c20) / 180, (c20 - c1) / 19)
                    if None not in (c200, c20, c1) else None)
        print("\n| 300-dpi grey A4, --parts 2 --format tif | wall s | ratio | target | holds | "
              "processor s | ratio |")
        print("|---|---|---|---|---|---|---|")
        print(f"| 200 single-page TIFF files | {cell(files, 3)} | 1 | | | {cell(cfiles, 3)} | 1 |")
        print(f"| one 200-page TIFF (same pixels) | {cell(t200, 3)} | {cell(whole, 3)} | "
              f"≤ 1.05 | {held(whole, 1.05)} | {cell(c200, 3)} | "
              f"{cell(ratio(c200, cfiles), 3)} |")
        print(f"| 20-page TIFF (its first 20 pages) | {cell(t20, 3)} | 200 pages / 20 pages "
              f"{cell(tenfold, 2)} | about 10 | {held(tenfold, 10.5)} | {cell(c20, 3)} | "
              f"{cell(ratio(c200, c20), 2)} |")
        print(f"| 1-page TIFF (its first page) | {cell(t1, 3)} | | | | {cell(c1, 3)} | |")
        print(f"| per page: pages 21–200 against pages 2–20 | | {cell(late, 3)} | ≤ 1.05 | "
              f"{held(late, 1.05)} | | {cell(late_cpu, 3)} |")

    def pdf_rows(self):
        note("scanned PDFs (made once)")
        sheets = fixtures.jpeg_sheets(self.build, self.root)
        pdfs = fixtures.scanned_pdfs(sheets, self.root)
        warm(list(pdfs.values()))
        extracted = self.out + "-extracted"
        found = {}

        def prepare():
            fresh(self.out)
            fresh(extracted)

        def keep(key):
            return lambda round_: found.setdefault(key, digests(self.out)) if round_ == 0 else None

        rounds = Rounds(self.runs)
        rounds.add("ours", [self.split("--format", "jpg", pdfs[100])], prepare, keep("ours"))
        rounds.add("theirs", [["pdfimages", "-all", pdfs[100], os.path.join(extracted, "p")],
                              self.split("--format", "jpg", extracted)], prepare, keep("theirs"))
        for count in (10, 50):
            rounds.add(count, [self.split("--format", "jpg", pdfs[count])], prepare)
        note(f"row 2: a 100-page scanned PDF against pdfimages then qinghe-split, "
             f"{self.runs} rounds")
        rounds.run()
        shutil.rmtree(extracted, ignore_errors=True)
        ours, theirs = rounds.wall("ours"), rounds.wall("theirs")
        self.peaks[("PDF", 10)], self.peaks[("PDF", 100)] = rounds.peak(10), rounds.peak("ours")
        self.peaks[("PDF", 50)] = rounds.peak(50)
        same = found.get("ours") and found.get("ours") == found.get("theirs")
        cours, ctheirs = rounds.cpu("ours"), rounds.cpu("theirs")
        print("\n| 100-page scanned PDF (JPEG pages), --parts 2 --format jpg | wall s | "
              "processor s |")
        print("|---|---|---|")
        print(f"| qinghe-split on the PDF | {cell(ours, 3)} | {cell(cours, 3)} |")
        print(f"| pdfimages -all, then qinghe-split on the 100 JPEG files | {cell(theirs, 3)} "
              f"({cell(rounds.step('theirs', 0), 3)} + {cell(rounds.step('theirs', 1), 3)}) | "
              f"{cell(ctheirs, 3)} |")
        print(f"| ratio (target < 1) | {cell(ratio(ours, theirs), 3)} "
              f"({held(ratio(ours, theirs), 0.9999)}) | {cell(ratio(cours, ctheirs), 3)} |")
        print(f"| the same {len(found.get('ours') or {})} pieces, byte for byte apart from the "
              f"resolution in the JPEG header | {'yes' if same else 'NO'} | |")

    def memory_rows(self):
        print("\n| peak memory, --parts 2 | fewer pages, MB | more pages, MB | ratio | "
              "target | holds |")
        print("|---|---|---|---|---|---|")
        for kind, few, many, fmt in (("TIFF", 20, 200, "tif"), ("PDF", 10, 100, "jpg"),
                                     ("PDF", 50, 100, "jpg")):
            a, b = self.peaks.get((kind, few)), self.peaks.get((kind, many))
            r = ratio(b, a)
            print(f"| {kind}, {few} against {many} pages, --format {fmt} | {cell(a, 0)} | "
                  f"{cell(b, 0)} | {cell(r, 3)} | ≤ 1.10 | {held(r, 1.10)} |")

    def depth_rows(self):
        note("600-dpi 1-bit text pages (made once)")
        page = fixtures.book_pages(self.root)[0]
        sizes, kept = {}, False
        for key, options in (("kept", ["--keep-depth"]), ("24-bit", [])):
            self.prepare()
            if timed(self.split(*options, "--format", "tif", page)) is not None:
                sizes[key] = folder_bytes(self.out)
                if key == "kept":
                    kept = all(is_group4(p) for p in folder_files(self.out))
        source = os.path.getsize(page)
        r = ratio(sizes.get("kept"), source)
        print("\n| 600-dpi 1-bit A4 text page (4960 x 7016, Group 4), --parts 2 --format tif | "
              "bytes | against the source | target | holds |")
        print("|---|---|---|---|---|")
        print(f"| source | {source} | 1 | | |")
        print(f"| pieces, --keep-depth ({'1 bit, Group 4' if kept else 'NOT 1 bit Group 4'}) | "
              f"{sizes.get('kept', '–')} | {cell(r, 3)} | ≤ 2 | {held(r if kept else None, 2)} |")
        print(f"| pieces, without --keep-depth (24 bits) | {sizes.get('24-bit', '–')} | "
              f"{cell(ratio(sizes.get('24-bit'), source), 1)} | | |")
        return kept

    def book_rows(self, kept):
        sheets = fixtures.a4_sheets(self.build, self.work)
        rounds = Rounds(self.runs)
        rounds.add("pieces", [self.split("--format", "jpg", *sheets)], self.prepare)
        rounds.add("pdf", [self.split("--format", "jpg", "--pdf", *sheets)], self.prepare)
        note(f"row 5: the 16 A4 sheets with and without --pdf, {self.runs} rounds")
        rounds.run()
        plain, books = rounds.wall("pieces"), rounds.wall("pdf")
        cplain, cbooks = rounds.cpu("pieces"), rounds.cpu("pdf")
        print("\n| 16 A4 JPEG sheets, --parts 2 --format jpg | wall s | ratio | target | holds | "
              "processor s | ratio |")
        print("|---|---|---|---|---|---|---|")
        print(f"| pieces only | {cell(plain, 3)} | 1 | | | {cell(cplain, 3)} | 1 |")
        print(f"| pieces and A.pdf, B.pdf (--pdf) | {cell(books, 3)} | "
              f"{cell(ratio(books, plain), 3)} | ≤ 1.10 | {held(ratio(books, plain), 1.10)} | "
              f"{cell(cbooks, 3)} | {cell(ratio(cbooks, cplain), 3)} |")

        pages = fixtures.book_pages(self.root)
        print(f"\n| {len(pages)}-page book, 600-dpi 1-bit A4, one frame over the whole page, "
              "--keep-depth --format tif --pdf | value | target | holds |")
        print("|---|---|---|---|")
        if not kept:
            # Without 1-bit pieces the book would hold 24-bit pages of 100 MB each.
            print("| not run: --keep-depth did not keep the pieces 1 bit (row above) | | | |")
            return
        note(f"row 5: a {len(pages)}-page book of 1-bit pages")
        warm(pages)
        self.prepare()
        # A layout of one frame over the whole page: --parts 1 would cut step 2's default
        # frame, the left half.
        layout = os.path.join(self.root, "whole-page.json")
        width, height = fixtures.A4_600
        with open(layout, "w") as f:
            json.dump({"format": 1, "parts": 1, "rotation": 0,
                       "sample": {"width": width, "height": height},
                       "frames": [{"letter": "A", "x": 0, "y": 0, "width": width,
                                   "height": height}]}, f, indent=4)
        command = [self.cli, "--layout", layout, "--keep-depth", "--format", "tif", "--pdf",
                   "--out", self.out, os.path.dirname(pages[0])]
        result = timed(command)
        book = os.path.join(self.out, "A.pdf")
        if result is None or not os.path.exists(book):
            print("| the run failed or wrote no A.pdf | | | NO |")
            return
        pieces = folder_bytes(self.out, "A*.TIF")
        size = os.path.getsize(book)
        check = subprocess.run(["qpdf", "--check", book], capture_output=True, text=True)
        count = subprocess.run(["qpdf", "--show-npages", book], capture_output=True, text=True)
        source = sum(os.path.getsize(p) for p in pages)
        print(f"| sources, bytes | {source} | | |")
        print(f"| Group 4 pieces, bytes | {pieces} | | |")
        print(f"| A.pdf, bytes | {size} | | |")
        print(f"| A.pdf against the pieces | {size / pieces:.3f} | ≤ 1.2 | "
              f"{held(size / pieces, 1.2)} |")
        print(f"| A.pdf's pages | {count.stdout.strip()} | {len(pages)} | "
              f"{'yes' if count.stdout.strip() == str(len(pages)) else 'NO'} |")
        print(f"| qpdf --check | exit {check.returncode} | 0 | "
              f"{'yes' if check.returncode == 0 else 'NO'} |")
        print(f"| wall s, processor s, peak MB (one run) | {result[0]:.2f}, {result[2]:.2f}, "
              f"{result[1]:.0f} | | |")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("work")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--rows", default="1,2,3,4,5", help="rows to run, e.g. 1,3")
    args = parser.parse_args()
    rows = {int(r) for r in args.rows.split(",")}
    bench = Bench(args)
    print(f"\nPages, depth and books: medians of {args.runs} runs, {CORES} threads, pieces to "
          f"{os.path.dirname(bench.out)}")
    try:
        if rows & {1, 3}:
            bench.tiff_rows()
        if rows & {2, 3}:
            bench.pdf_rows()
        if 3 in rows:
            bench.memory_rows()
        kept = bench.depth_rows() if rows & {4, 5} else False
        if 5 in rows:
            bench.book_rows(kept)
    finally:
        shutil.rmtree(bench.out, ignore_errors=True)


if __name__ == "__main__":
    main()
