"""The pictures bench/pages.py cuts, made once into WORK_DIR/pages and kept.

Each set is made under a temporary name and renamed when complete, so that an interrupted
run leaves nothing that a later one would take for finished.
"""
import ctypes
import glob
import os
import random
import shutil
import subprocess

from PIL import Image, ImageDraw, ImageFont

A4_600 = (4960, 7016)
SHEETS = 100  # distinct JPEG sheets: the PDF's pages, and the grey TIFF pages twice over
GREY_PAGES = 200
BOOK_PAGES = 300
FONT_DIR = "/usr/share/fonts/truetype/dejavu"


def _made(path, make):
    """Makes path (a file or a folder) through make(temporary path) unless it exists."""
    if os.path.exists(path):
        return path
    partial = path + ".partial"
    if os.path.isdir(partial):
        shutil.rmtree(partial)
    elif os.path.exists(partial):
        os.remove(partial)
    make(partial)
    os.rename(partial, path)
    return path


def a4_sheets(build, work):
    """The main benchmark's 16 A4 JPEG sheets (2480 x 3508)."""
    folder = os.path.join(work, "a4")
    if not os.path.exists(os.path.join(folder, "a4-016.jpg")):
        subprocess.run([os.path.join(build, "bench", "make-scans"), folder, "16"], check=True,
                       stderr=subprocess.DEVNULL)
    return sorted(glob.glob(os.path.join(folder, "*.jpg")))


def jpeg_sheets(build, root):
    """100 A4 colour sheets at 300 dpi, JPEG quality 90 (the first 16 are the a4 set's)."""
    folder = _made(os.path.join(root, "sheets"), lambda tmp: subprocess.run(
        [os.path.join(build, "bench", "make-scans"), tmp, str(SHEETS)], check=True,
        stderr=subprocess.DEVNULL))
    return sorted(glob.glob(os.path.join(folder, "*.jpg")))


def _grey_pages(sheets, folder):
    os.makedirs(folder)
    for i in range(GREY_PAGES):
        path = os.path.join(folder, f"page-{i + 1:03}.tif")
        if i < len(sheets):
            Image.open(sheets[i]).convert("L").save(path, dpi=(300, 300))
        else:
            shutil.copyfile(os.path.join(folder, f"page-{i - len(sheets) + 1:03}.tif"), path)


def grey_tiffs(sheets, root):
    """200 uncompressed 8-bit grey A4 pages at 300 dpi as single files, and the same pages
    as multi-page TIFFs of 200, 20 (the first) and 1 page."""
    folder = _made(os.path.join(root, "grey"), lambda tmp: _grey_pages(sheets, tmp))
    pages = sorted(glob.glob(os.path.join(folder, "page-*.tif")))
    multi = {}
    for count in (GREY_PAGES, 20, 1):
        multi[count] = _made(os.path.join(root, f"grey-{count}.tif"), lambda tmp, n=count:
                             subprocess.run(["tiffcp"] + pages[:n] + [tmp], check=True))
    return pages, multi


def scanned_pdfs(sheets, root):
    """The JPEG sheets as scanned PDFs (img2pdf: each page one JPEG, stored as it is) of 100,
    50 and 10 pages, A4 at 300 dpi."""
    return {count: _made(os.path.join(root, f"scan-{count}.pdf"), lambda tmp, n=count:
                         subprocess.run(["img2pdf", "-s", "300dpi", "-o", tmp] + sheets[:n],
                                        check=True))
            for count in (SHEETS, 50, 10)}


class _Tiff:
    """libtiff through ctypes, for a min-is-white Group 4 page as scanners write it (Pillow
    writes 1-bit Group 4 only as min-is-black)."""

    def __init__(self):
        self.lib = ctypes.CDLL("libtiff.so.6")
        self.lib.TIFFOpen.restype = ctypes.c_void_p
        self.lib.TIFFOpen.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        self.lib.TIFFWriteEncodedStrip.restype = ctypes.c_ssize_t
        self.lib.TIFFWriteEncodedStrip.argtypes = [ctypes.c_void_p, ctypes.c_uint32,
                                                   ctypes.c_char_p, ctypes.c_ssize_t]
        self.lib.TIFFClose.argtypes = [ctypes.c_void_p]
        self.lib.TIFFSetField.restype = ctypes.c_int

    def write_g4(self, path, image, dpi):
        """image: Pillow mode "1"; its packed rows have 1 for white, so they are inverted."""
        width, height = image.size
        bits = image.tobytes().translate(bytes(255 - b for b in range(256)))
        tif = self.lib.TIFFOpen(path.encode(), b"w")
        if not tif:
            raise OSError(f"cannot open {path}")
        handle = ctypes.c_void_p(tif)
        try:
            for tag, value in ((256, width), (257, height), (258, 1), (259, 4), (262, 0),
                               (277, 1), (278, height), (284, 1), (296, 2)):
                self.lib.TIFFSetField(handle, tag, ctypes.c_int(value))
            for tag in (282, 283):
                self.lib.TIFFSetField(handle, tag, ctypes.c_double(dpi))
            if self.lib.TIFFWriteEncodedStrip(handle, 0, bits, len(bits)) < 0:
                raise OSError(f"cannot write {path}")
        finally:
            self.lib.TIFFClose(handle)


def _words(rng, count):
    letters = "etaoinshrdlucmfwypvbgkjqxz"
    weights = [12, 9, 8, 8, 7, 7, 6, 6, 6, 4, 4, 3, 3, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1]
    return ["".join(rng.choices(letters, weights, k=rng.randint(1, 10))) for _ in range(count)]


def _line_strips(rng, font, width, height, count, short=False):
    """Lines of text-like words in black on white, each fitting width (short ones end a
    paragraph)."""
    vocabulary = _words(rng, 600)
    strips = []
    for _ in range(count):
        strip = Image.new("1", (width, height), 1)
        draw = ImageDraw.Draw(strip)
        limit = width * (rng.uniform(0.2, 0.7) if short else 1.0)
        words = []
        while True:
            candidate = words + [rng.choice(vocabulary)]
            if rng.random() < 0.1:
                candidate[-1] = candidate[-1].capitalize() + rng.choice(".,;")
            if draw.textlength(" ".join(candidate), font=font) > limit:
                break
            words = candidate
        draw.text((0, 0), " ".join(words), font=font, fill=0)
        strips.append(strip)
    return strips


def _book_pages(folder):
    """300 text pages: 11-point serif body, one-inch margins, paragraphs, a heading now and
    then and a page number; every page a different choice of lines."""
    os.makedirs(folder)
    rng = random.Random(2026)
    width, height = A4_600
    margin, size, leading = 600, 92, 112
    body = ImageFont.truetype(os.path.join(FONT_DIR, "DejaVuSerif.ttf"), size)
    bold = ImageFont.truetype(os.path.join(FONT_DIR, "DejaVuSerif-Bold.ttf"), 150)
    full = _line_strips(rng, body, width - 2 * margin, leading, 240)
    short = _line_strips(rng, body, width - 2 * margin, leading, 60, short=True)
    headings = _line_strips(rng, bold, width - 2 * margin, 190, 20, short=True)
    tiff = _Tiff()
    for number in range(1, BOOK_PAGES + 1):
        page = Image.new("1", A4_600, 1)
        y = margin
        if rng.random() < 0.3:
            page.paste(rng.choice(headings), (margin, y))
            y += 300
        while y + leading < height - margin:
            for _ in range(rng.randint(3, 12)):
                if y + leading >= height - margin:
                    break
                page.paste(rng.choice(full), (margin, y))
                y += leading
            if y + leading < height - margin:
                page.paste(rng.choice(short), (margin, y))
            y += leading * 2
        ImageDraw.Draw(page).text((width // 2 - 60, height - 400), str(number), font=body,
                                  fill=0)
        tiff.write_g4(os.path.join(folder, f"page-{number:03}.tif"), page, 600.0)


def book_pages(root):
    """300 A4 pages at 600 dpi (4960 x 7016), 1 bit, Group 4, with text-like content."""
    folder = _made(os.path.join(root, "book"), _book_pages)
    return sorted(glob.glob(os.path.join(folder, "page-*.tif")))
