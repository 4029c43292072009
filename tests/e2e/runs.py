"""Journeys through a whole batch: the pieces cut, a stop, saves that fail."""

import os
import re
import resource
import signal
import subprocess

from desktop import JourneyFailed, check, extents, states, wait_until
from steps import (AREA_ORIGIN, TITLE_STEP3, box_text, check_quiet_end, choose, combo_after,
                   combo_offering, coordinate_picture, float32, labels_over_bar, make_pictures,
                   needs_tool, origin_in_source, pick_and_go_on, picture_rect, press, run_ended,
                   run_into, wait_closed, whole_run)

BOOKS_BOX = "同时为每本书生成一个 PDF 文件"


def check_pieces_of_pages(program, step3, out, singles, pages):
    """After a default four-frame run over singles plain red pictures and then the pages
    (made by marked_page, marks 1, 2, ...): every piece is there under its running number,
    holds the page its number belongs to and equals that page's cut of the frame, and a
    frame cuts the same rectangle from every page, PDF or TIFF."""
    from PIL import Image
    count = singles + len(pages)
    expected = {f"{'ABCD'[k - 1]}{(i - 1) * 4 + k:05d}.PNG": (i, k)
                for i in range(1, count + 1) for k in range(1, 5)}
    wait_until("the run to end", lambda: run_ended(program, step3) and
               set(os.listdir(out)) >= set(expected), timeout=30)
    check(set(os.listdir(out)) == set(expected),
          f"the folder holds {sorted(os.listdir(out))}, expected {sorted(expected)}")
    check_quiet_end(program, step3, 100, "a run without failures showed an error box")
    cuts = {k: set() for k in range(1, 5)}
    for name, (i, k) in sorted(expected.items()):
        piece = Image.open(os.path.join(out, name)).convert("RGB")
        if i <= singles:
            check(piece.getcolors() == [(piece.width * piece.height, (200, 40, 40))],
                  f"{name} is not a cut of the red picture {i}")
            cuts[k].add((None, None, *piece.size))
            continue
        x, y, mark = piece.getpixel((0, 0))
        check(mark == i - singles, f"{name} is cut from page {mark}, not {i - singles}")
        page = pages[i - singles - 1]
        crop = page.crop((x, y, x + piece.width, y + piece.height))
        check(piece.tobytes() == crop.tobytes(), f"{name} differs from the page's cut at {x},{y}")
        cuts[k].add((x, y, *piece.size))
    for k, found in cuts.items():
        placed = {cut for cut in found if cut[0] is not None}
        sizes = {cut[2:] for cut in found}
        check(len(placed) == 1 and len(sizes) == 1,
              f"frame {k} cuts {sorted(found, key=str)} from pictures of one size")
    places = {next(cut for cut in found if cut[0] is not None)[:2] for found in cuts.values()}
    check(len(places) == 4, f"the four frames start at {places}")


def check_books(out, books, work):
    """Each book <letter>.pdf passes qpdf's check and holds one page per piece of its
    letter, in running-number order, each page the piece's pixels exactly."""
    from PIL import Image
    needs_tool("qpdf", "qpdf")
    needs_tool("pdfimages", "poppler-utils")
    for letter, pieces in books.items():
        book = os.path.join(out, letter + ".pdf")
        checked = subprocess.run(["qpdf", "--check", book], capture_output=True, text=True)
        check(checked.returncode == 0, f"qpdf finds fault with {book}: {checked.stdout}"
              f"{checked.stderr}")
        pages = subprocess.run(["qpdf", "--show-npages", book], capture_output=True,
                               text=True, check=True).stdout.strip()
        check(pages == str(len(pieces)), f"{book} has {pages} pages, not {len(pieces)}")
        images = os.path.join(work, letter)
        os.makedirs(images)
        subprocess.run(["pdfimages", "-png", "-p", book, os.path.join(images, "i")],
                       check=True, capture_output=True)
        found = sorted(os.listdir(images))
        one_each = [f"i-{n + 1:03d}-{n:03d}.png" for n in range(len(pieces))]
        check(found == one_each, f"{book} holds the images {found}, not one per page")
        for image, piece in zip(found, pieces):
            got = Image.open(os.path.join(images, image)).convert("RGB")
            want = Image.open(os.path.join(out, piece)).convert("RGB")
            check(got.size == want.size, f"page {image} of {book} is {got.size}, {piece} "
                  f"{want.size}")
            if got.tobytes() != want.tobytes():
                rows = [y for y in range(got.height) if got.crop((0, y, got.width, y + 1))
                        .tobytes() != want.crop((0, y, want.width, y + 1)).tobytes()]
                raise JourneyFailed(f"page {image} of {book} is not {piece}'s pixels: "
                                    f"{len(rows)} rows differ, from row {rows[0]}")


def journey_wholejob(desktop, program_path):
    from PIL import Image
    pictures, out = os.path.join(desktop.tmp, "pictures"), os.path.join(desktop.tmp, "out")
    os.makedirs(pictures)
    os.makedirs(out)
    width, height = 1000, 700
    for name in ("w1.png", "w2.png"):
        coordinate_picture(os.path.join(pictures, name), width, height)
    program = desktop.launch(program_path, cwd=pictures)
    step2 = pick_and_go_on(desktop, program, ["w1.png", "w2.png"])

    # Turned by +90 the sample stands 700 x 1000: shown 420 x 600 at scale 0.6.
    frame = {k: program.find(step2, f"分割框{k}") for k in range(1, 5)}
    before = extents(frame[1])
    choose(desktop, combo_offering(step2, "裁剪后旋转+90"), "裁剪后旋转+90")
    wait_until("the frames re-laid on the turned sample", lambda: extents(frame[1]) != before)
    scale = float32(600 / 1000)
    cell_w, row_h = 420 // 2, 600 // 2
    window_rects = {k: (AREA_ORIGIN + (k + 1) % 2 * cell_w, AREA_ORIGIN + (k - 1) // 2 * row_h,
                        cell_w, row_h) for k in range(1, 5)}
    canvas = program.find(step2, "样本图片与分割框")
    cx, cy = extents(canvas)[:2]
    for k in range(1, 5):
        x, y, w, h = window_rects[k]
        check(extents(frame[k]) == (cx + x, cy + y, w, h),
              f"frame {k} lies at {extents(frame[k])}, not on the default grid")

    # Two books: the left frames are A, the right ones B.
    choose(desktop, combo_after(step2, "分割框3首字母:"), "A")
    choose(desktop, combo_after(step2, "分割框4首字母:"), "B")

    # Frame 2: a click selects it, a drag moves it, the arrows nudge it.
    x, y, w, h = window_rects[2]
    desktop.click_at(cx + x + w // 2, cy + y + h // 2)
    wait_until("the other controls locked while a frame is selected", lambda: "sensitive"
               not in states(program.find(step2, "下一步", "push button")))
    drag_by, keys_by = (-61, 47), (-3, 1)
    # Pressed away from the click, or Qt would take the press for a double-click.
    grab = (cx + x + w // 2 + 20, cy + y + h // 2 + 20)
    desktop.drag(grab, (grab[0] + drag_by[0], grab[1] + drag_by[1]))
    moved = (x + drag_by[0], y + drag_by[1], w, h)
    wait_until("frame 2 dragged", lambda: extents(frame[2]) == (cx + moved[0], cy + moved[1], w, h))
    desktop.key("Left", "Left", "Left", "Down")
    window_rects[2] = (moved[0] + keys_by[0], moved[1] + keys_by[1], w, h)
    wait_until("frame 2 nudged by the arrows", lambda: extents(frame[2]) == (
        cx + window_rects[2][0], cy + window_rects[2][1], w, h))
    rects = {k: picture_rect(window_rects[k], scale) for k in range(1, 5)}
    # The hover read-out names the same picture rectangle.
    fx, fy = extents(frame[2])[:2]
    desktop.xdotool("mousemove", fx + 20, fy + 20, "mousemove", fx + 21, fy + 21)
    readout = "起始X：%d  起始Y：%d  尺寸：%d×%d 像素" % rects[2]
    wait_until(f"the hover read-out {readout!r}", lambda: frame[2].description == readout)
    desktop.click_at(fx + 21, fy + 21)  # a second click lets the frame go
    press(desktop, program, step2, "下一步")

    # Each book also made a PDF of its pieces.
    step3 = program.window(TITLE_STEP3)
    run_into(desktop, program, step3, out, "PNG", ticks=[BOOKS_BOX])
    letters = {1: "A", 2: "B", 3: "A", 4: "B"}
    expected = {f"{letters[k]}{(i - 1) * 4 + k:05d}.PNG": k for i in (1, 2) for k in range(1, 5)}
    books = {"A.pdf", "B.pdf"}
    wait_until("the run to end", lambda: run_ended(program, step3) and
               set(os.listdir(out)) >= set(expected) | books, timeout=30)
    check(set(os.listdir(out)) == set(expected) | books,
          f"the folder holds {sorted(os.listdir(out))}, expected {sorted(set(expected) | books)}")
    check_quiet_end(program, step3, 100, "a run without failures showed an error box")
    check_books(out, {letter: sorted(name for name in expected if name[0] == letter)
                      for letter in "AB"}, os.path.join(desktop.tmp, "images"))

    source = Image.open(os.path.join(pictures, "w1.png")).convert("RGB")
    turned = source.transpose(Image.Transpose.ROTATE_270)  # a quarter turn clockwise
    for name, k in sorted(expected.items()):
        piece = Image.open(os.path.join(out, name)).convert("RGB")
        sx, sy = origin_in_source(piece)
        origin = (height - 1 - sy, sx)  # where that source pixel lies once turned
        check(origin == rects[k][:2], f"{name} starts at {origin}, frame {k} at {rects[k][:2]}")
        check(piece.size == rects[k][2:], f"{name} is {piece.size}, frame {k} {rects[k][2:]}")
        crop = turned.crop((*origin, origin[0] + piece.width, origin[1] + piece.height))
        check(piece.tobytes() == crop.tobytes(), f"{name} differs from the turned picture's cut")
    default2 = picture_rect((AREA_ORIGIN + cell_w, AREA_ORIGIN, cell_w, row_h), scale)
    check(rects[2][:2] != default2[:2], "frame 2 cuts where the default grid put it")


def journey_stop(desktop, program_path):
    from PIL import Image
    pictures, out = os.path.join(desktop.tmp, "pictures"), os.path.join(desktop.tmp, "out")
    os.makedirs(pictures)
    os.makedirs(out)
    # Noise makes PNG pieces slow to write, so the run lasts seconds; links cost no disk.
    Image.frombytes("RGB", (2000, 2800), os.urandom(2000 * 2800 * 3)).save(
        os.path.join(pictures, "n01.bmp"))
    for i in range(2, 31):
        os.link(os.path.join(pictures, "n01.bmp"), os.path.join(pictures, f"n{i:02}.bmp"))
    bad = os.path.join(pictures, "n29.bmp")
    os.unlink(bad)
    with open(bad, "wb") as f:
        f.write(b"BM" + os.urandom(200))  # unreadable, and reached only late in the run

    program = desktop.launch(program_path, cwd=pictures)
    step3 = whole_run(desktop, program, [f"n{i:02}.bmp" for i in range(1, 31)], out, "PNG")

    stop = program.find(step3, "停止", "push button")
    pieces = re.compile(r"([A-D])(\d{5})\.PNG")
    wait_until("the first pieces", lambda: any(pieces.fullmatch(f) for f in os.listdir(out)))
    desktop.click(stop)
    wait_until("the stopped state", lambda: run_ended(program, step3, stopped=True), timeout=30)

    # Stopped: Start back in Stop's place, the bar empty, the folder and Previous locked.
    for name, role in (("上一步", "push button"), ("浏览", "push button"),
                       ("分割后文件的保存路径", "text")):
        check("sensitive" not in states(program.find(step3, name, role)),
              f"{role} {name} is enabled after a stop")
    fill = labels_over_bar(step3)[0]
    check(extents(fill)[2] == 0, f"the bar is still filled {extents(fill)[2]} pixels")
    names = sorted(os.listdir(out))
    found = [pieces.fullmatch(name) for name in names]
    strays = [name for name, match in zip(names, found) if not match]
    check(not strays, f"not only pieces in the folder: {strays}")
    numbers = sorted(int(m.group(2)) for m in found)
    check(numbers == list(range(1, len(numbers) + 1)), f"pieces after the stop: {numbers}")
    print(f"stopped after {len(numbers)} pieces")
    check(all(m.group(1) == "ABCD"[(int(m.group(2)) - 1) % 4] for m in found),
          f"pieces under the wrong letters: {names}")
    # The unreadable picture (pieces 113..116) was not reached: nothing to report.
    check(numbers[-1] < 112, f"the stop came only after {numbers[-1]} pieces, too late to "
          "tell whether a picture not reached is reported")
    check_quiet_end(program, step3, 0, "a stopped run reported a picture it never reached")


def journey_failedsaves(desktop, program_path):
    pictures, folder = os.path.join(desktop.tmp, "pictures"), os.path.join(desktop.tmp, "out")
    os.makedirs(folder)
    names = ["f1.png", "f2.png"]
    make_pictures(pictures, names, (400, 300))
    pieces = {f"{'ABCD'[k - 1]}{(i - 1) * 4 + k:05d}.BMP" for i in (1, 2) for k in range(1, 5)}

    program = desktop.launch(program_path, cwd=pictures)
    step3 = whole_run(desktop, program, names, folder, "BMP")
    wait_until("the first run to end", lambda: run_ended(program, step3) and
               set(os.listdir(folder)) == pieces, timeout=30)
    press(desktop, program, step3, "退出")
    program.exited()

    def no_piece_fits():
        # Every piece is larger than this; a write past it fails instead of killing.
        resource.setrlimit(resource.RLIMIT_FSIZE, (4096, 4096))
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    program = desktop.launch(program_path, cwd=pictures, preexec_fn=no_piece_fits)
    whole_run(desktop, program, names, folder, "BMP")
    box = program.window("错误信息", timeout=30)
    report = box_text(box)
    # Every piece failed under the size limit: each is named with its reason, and the
    # first run's file of each name is gone, as the box says.
    line = re.compile(re.escape(folder + os.sep) + r"([A-D]\d{5}\.BMP)：(.+)")
    named = {m.group(1): m.group(2) for m in (line.fullmatch(text.strip())
                                              for text in report.splitlines()) if m}
    check(set(named) == pieces, f"the end box names {sorted(named)} with a reason, expected "
          f"every piece: {report}")
    for words in (f"有 0 个图片无法读取，{len(pieces)} 个分割块未能保存：",
                  f"未能保存的分割块的 {len(pieces)} 个同名旧文件已删除。"):
        check(words in report, f"the end box does not say {words!r}: {report}")
    check(not os.listdir(folder), "the box reports every older piece deleted, but the folder "
          f"holds {sorted(os.listdir(folder))}")
    press(desktop, program, box, "确定")
    wait_closed(program, box, "the end box")
