#!/usr/bin/python3
"""Cuts sheets COLS x ROWS with another tool, for comparison with split-bench.

usage: others.py TOOL FORMAT ROTATION COLSxROWS WORKERS OUTDIR PICTURE...
TOOL: pillow | vips | magick.  Prints 'seconds=S' measured inside the run.
"""
import os
import subprocess
import sys
import time
from concurrent.futures import ProcessPoolExecutor

EXT = {"jpg": "jpg", "png": "png", "tif": "tif", "bmp": "bmp"}


def cells(width, height, cols, rows):
    w, h = width // cols, height // rows
    for r in range(rows):
        for c in range(cols):
            yield c * w, r * h, w, h


def pillow_one(args):
    from PIL import Image
    path, fmt, rotation, cols, rows, out, index = args
    with Image.open(path) as im:
        im.load()
        if rotation:
            im = im.transpose({1: Image.Transpose.ROTATE_270, 2: Image.Transpose.ROTATE_180,
                               3: Image.Transpose.ROTATE_90}[rotation])
        for k, (x, y, w, h) in enumerate(cells(im.width, im.height, cols, rows)):
            piece = im.crop((x, y, x + w, y + h)).convert("RGB")
            name = os.path.join(out, f"P{index:03d}{k}.{EXT[fmt]}")
            if fmt == "jpg":
                piece.save(name, "JPEG", quality=100, subsampling=2, optimize=False)
            elif fmt == "png":
                piece.save(name, "PNG")
            elif fmt == "tif":
                piece.save(name, "TIFF", compression=None)
            else:
                piece.save(name, "BMP")


def run_pillow(files, fmt, rotation, cols, rows, workers, out):
    jobs = [(f, fmt, rotation, cols, rows, out, i) for i, f in enumerate(files)]
    if workers <= 1:
        for job in jobs:
            pillow_one(job)
    else:
        with ProcessPoolExecutor(workers) as pool:
            list(pool.map(pillow_one, jobs))


def run_vips(files, fmt, rotation, cols, rows, workers, out):
    import gi
    gi.require_version("Vips", "8.0")
    from gi.repository import GObject, Vips
    Vips.init("bench")

    def call(name, **kw):
        op = Vips.Operation.new(name)
        for k, v in kw.items():
            GObject.Object.set_property(op, k.replace("_", "-"), v)
        return Vips.cache_operation_build(op)

    # 4:2:0 as the others write it (libvips keeps full chroma from Q 90 unless told).
    saver = {"jpg": ("jpegsave", {"Q": 100, "subsample_mode": Vips.ForeignSubsample.ON}),
             "png": ("pngsave", {}),
             "tif": ("tiffsave", {}), "bmp": None}[fmt]
    if saver is None:
        raise SystemExit("libvips writes no BMP")
    for i, f in enumerate(files):
        im = call("jpegload", filename=f).props.out
        if rotation:
            angle = {1: Vips.Angle.D90, 2: Vips.Angle.D180, 3: Vips.Angle.D270}[rotation]
            im = call("rot", **{"in": im, "angle": angle}).props.out
        for k, (x, y, w, h) in enumerate(cells(im.props.width, im.props.height, cols, rows)):
            piece = call("extract_area", input=im, left=x, top=y, width=w, height=h).props.out
            call(saver[0], **{"in": piece, "filename": os.path.join(out, f"V{i:03d}{k}.{EXT[fmt]}")},
                 **saver[1])


# Debian's own binary, called directly: a "convert" earlier in PATH may be a wrapper.
CONVERT = next((c for c in ("/usr/bin/convert-im6.q16", "/usr/bin/convert")
                if os.path.exists(c)), "convert")


def magick_one(args):
    path, fmt, rotation, cols, rows, out, index = args
    cmd = [CONVERT, path]
    if rotation:
        cmd += ["-rotate", str(90 * rotation)]
    cmd += ["-crop", f"{cols}x{rows}@", "+repage"]
    if fmt == "jpg":
        cmd += ["-quality", "100", "-sampling-factor", "4:2:0"]
    elif fmt == "tif":
        cmd += ["-compress", "None"]
    elif fmt == "bmp":
        cmd += ["-type", "TrueColor"]
    cmd += [os.path.join(out, f"M{index:03d}-%d.{EXT[fmt]}")]
    subprocess.run(cmd, check=True)


def run_magick(files, fmt, rotation, cols, rows, workers, out):
    jobs = [(f, fmt, rotation, cols, rows, out, i) for i, f in enumerate(files)]
    if workers <= 1:
        for job in jobs:
            magick_one(job)
    else:
        with ProcessPoolExecutor(workers) as pool:
            list(pool.map(magick_one, jobs))


def main():
    tool, fmt, rotation, grid, workers, out = sys.argv[1:7]
    files = sys.argv[7:]
    cols, rows = (int(v) for v in grid.split("x"))
    os.makedirs(out, exist_ok=True)
    runner = {"pillow": run_pillow, "vips": run_vips, "magick": run_magick}[tool]
    start = time.perf_counter()
    runner(files, fmt, int(rotation), cols, rows, int(workers), out)
    print(f"seconds={time.perf_counter() - start:.3f}")


if __name__ == "__main__":
    main()
