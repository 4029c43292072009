"""End-to-end journeys through the built program, one per run:

    /usr/bin/python3 journeys.py <journey> --program path/to/qinghe-splitter
"""

import argparse
import math
import os
import re
import resource
import signal
import struct
import sys
import time
import traceback

sys.dont_write_bytecode = True  # nothing written into the source tree
from desktop import (Desktop, JourneyFailed, check, describe, extents, states, text_of,
                     wait_until, walk)

TITLE_STEP1, TITLE_STEP2, TITLE_STEP3 = "第1步", "第2步", "第3步"
OPEN_DIALOG = "选择文本文件"
AREA_ORIGIN = 18  # the sample's first column and row in the editor window


# --- windows and boxes ----------------------------------------------------------------

def press(desktop, program, window, name):
    desktop.click(program.find(window, name, "push button"))


def wait_closed(program, window, what):
    wait_until(f"{what} to close", lambda: window not in program.windows())


def box_text(box):
    return "\n".join(text_of(item) for item in walk(box) if item.getRoleName() == "label")


def boxes_titled(program, title):
    return [w for w in program.windows() if w.name == title]


def tab_ring(desktop, program, window, limit=25):
    """Presses Tab until the focus comes round again; returns every control it reached
    as (role, name, place)."""
    def key(item):
        name = item.name
        if item.getRoleName() == "combo box" and any(option.name == name for option in walk(
                item, skip_hidden=False) if option.getRoleName() == "list item"):
            name = ""  # read out as its value, which says nothing of what it sets
        return item.getRoleName(), name, extents(item)

    def focus_other_than(before):
        focused = program.focused(window)
        return focused if focused and key(focused) != before else None
    ring = [key(wait_until(f"a focused control in {describe(window)}",
                           lambda: program.focused(window)))]
    for _ in range(limit):
        desktop.key("Tab")
        reached = key(wait_until("the focus to move on Tab", lambda: focus_other_than(ring[-1])))
        if reached == ring[0]:
            return ring
        ring.append(reached)
    raise JourneyFailed(f"Tab never came back round in {describe(window)}: {ring}")


# --- step 1: the pictures -------------------------------------------------------------

def open_dialog(desktop, program, window):
    desktop.click(program.find(window, "插入新图片", "push button"))
    return program.window(OPEN_DIALOG)


def pick_by_typing(desktop, program, window, typed):
    """Types the names into the open dialog's file-name box and presses Enter."""
    dialog = open_dialog(desktop, program, window)
    name_box = next(item for item in walk(dialog) if item.getRoleName() == "text"
                    and "editable" in states(item))
    desktop.click(name_box)
    desktop.type(typed)
    wait_until("the typed names in the file-name box", lambda: text_of(name_box) == typed)
    desktop.key("Return")
    wait_closed(program, dialog, "the open dialog")


def pick_all(desktop, program, window):
    """Selects every picture the open dialog lists (a click, then Ctrl+A) and opens them."""
    dialog = open_dialog(desktop, program, window)
    files = program.find(dialog, "文件", "tree")
    first = wait_until("the folder listed", lambda: next(
        (item for item in walk(files) if item.name.endswith((".bmp", ".png"))), None))
    desktop.click(first, within=files)
    desktop.key("ctrl+a")
    desktop.click(program.find(dialog, "打开(O)", "push button"))
    wait_closed(program, dialog, "the open dialog")


def listed_pictures(program, window):
    picture_list = program.find(window, "待分割图片列表", "list")
    return [item.name for item in picture_list
            if item is not None and item.getRoleName() == "list item"]


def count_label(program, window):
    """The number beside "图片数量：" (the label that follows it)."""
    labels = [item for item in walk(window) if item.getRoleName() == "label"]
    caption = next(i for i, label in enumerate(labels) if label.name == "图片数量：")
    return labels[caption + 1].name


def expect_list(program, window, names):
    def listed():
        shown = [os.path.basename(path) for path in listed_pictures(program, window)]
        return shown == names and count_label(program, window) == str(len(names))
    try:
        wait_until(f"the list to read {names}", listed, timeout=5)
    except JourneyFailed:
        shown = [os.path.basename(path) for path in listed_pictures(program, window)]
        raise JourneyFailed(f"list shows {shown} and count {count_label(program, window)}, "
                            f"expected {names} and {len(names)}") from None


def pick_and_go_on(desktop, program, names):
    """Step 1: picks every picture of the program's starting folder with the mouse; Next."""
    window = program.window(TITLE_STEP1)
    pick_all(desktop, program, window)
    expect_list(program, window, names)
    press(desktop, program, window, "下一步")
    return program.window(TITLE_STEP2)


# --- step 2: frames, letters, rotation ------------------------------------------------

def combo_after(window, caption):
    """The combo box that follows its caption, as a sighted user finds it."""
    items = list(walk(window))
    at = next(i for i, item in enumerate(items) if item.name == caption)
    return next(item for item in items[at:] if item.getRoleName() == "combo box")


def combo_offering(window, choice):
    """The combo box whose list offers choice."""
    return next(item for item in walk(window) if item.getRoleName() == "combo box"
                and any(option.name == choice for option in walk(item, skip_hidden=False)))


def choose(desktop, combo, choice):
    """Opens the combo box's list with the mouse and clicks one of its items."""
    desktop.click(combo)
    popup = next(item for item in combo if item is not None and item.getRoleName() == "list")
    wait_until("the drop-down list", lambda: "visible" in states(popup))
    option = next(item for item in popup if item is not None and item.name == choice)
    desktop.click(option, within=popup)
    wait_until("the drop-down list to close", lambda: "visible" not in states(popup))


def answer_books_question(desktop, program):
    """Default letters make as many books as frames; Next asks whether that is meant."""
    box = program.window("提示信息")
    check("本书" in box_text(box), "step 2 asked something else: " + box_text(box))
    press(desktop, program, box, "是(Y)")


# --- step 3: the run ------------------------------------------------------------------

def run_into(desktop, program, step3, folder, fmt):
    """Step 3: format, folder typed into its box, Start."""
    desktop.click(program.find(step3, "保存格式 " + fmt, "radio button"))
    wait_until(f"{fmt} chosen", lambda: "checked" in states(
        program.find(step3, "保存格式 " + fmt, "radio button")))
    folder_box = program.find(step3, "分割后文件的保存路径", "text")
    desktop.click(folder_box)
    desktop.key("ctrl+a", "BackSpace")
    desktop.type(folder)
    wait_until("the folder in its box", lambda: text_of(folder_box) == folder)
    press(desktop, program, step3, "开始分割")


def run_ended(program, step3, stopped=False):
    """True once a run has given the window back: Start shown again, Stop hidden, and
    Previous enabled after a finished run (a stopped one keeps it locked)."""
    start = program.find(step3, "开始分割", "push button", showing=False)
    stop = program.find(step3, "停止", "push button", showing=False)
    previous = "sensitive" in states(program.find(step3, "上一步", "push button"))
    return "showing" in states(start) and "showing" not in states(stop) and previous != stopped


def labels_over_bar(step3):
    """The labels drawn over the progress bar, left to right: the fill, then the read-out."""
    bx, by, bw, bh = extents(next(item for item in walk(step3) if item.getRoleName() == "frame"))

    def over(label):
        x, y, w, h = extents(label)
        return bx <= x + w // 2 <= bx + bw and by <= y + h // 2 <= by + bh
    labels = [item for item in walk(step3, skip_hidden=False)
              if item.getRoleName() == "label" and over(item)]
    return sorted(labels, key=lambda label: extents(label)[0])


def spoken(label):
    """What the bus gives of a label: its name, description and text."""
    try:
        text = label.queryText().getText(0, -1)
    except NotImplementedError:
        text = ""
    return [label.name, label.description, text]


def whole_run(desktop, program, names, folder, fmt):
    """Picks the pictures, takes the default frames, runs into folder; returns step 3."""
    step2 = pick_and_go_on(desktop, program, names)
    press(desktop, program, step2, "下一步")
    answer_books_question(desktop, program)
    step3 = program.window(TITLE_STEP3)
    run_into(desktop, program, step3, folder, fmt)
    return step3


# --- pictures made for the journeys ------------------------------------------------

def make_pictures(folder, names, size=(40, 30)):
    from PIL import Image
    os.makedirs(folder, exist_ok=True)
    for name in names:
        Image.new("RGB", size, (200, 40, 40)).save(os.path.join(folder, name))


def coordinate_picture(path, width, height):
    """A picture whose every pixel tells where it is: R = x & 255, G = y & 255,
    B = (x >> 8) | ((y >> 8) << 4)."""
    from PIL import Image
    red = bytes(x & 255 for x in range(width)) * height
    green = b"".join(bytes([y & 255]) * width for y in range(height))
    blue_rows = [bytes((x >> 8) | (high << 4) for x in range(width)) for high in range(16)]
    blue = b"".join(blue_rows[y >> 8] for y in range(height))
    channels = [Image.frombytes("L", (width, height), plane) for plane in (red, green, blue)]
    Image.merge("RGB", channels).save(path)


def origin_in_source(piece):
    r, g, b = piece.getpixel((0, 0))
    return r | (b & 15) << 8, g | (b >> 4) << 8


def float32(value):
    return struct.unpack("f", struct.pack("f", value))[0]


def picture_rect(frame, scale):
    """A frame's window rectangle (left, top, width, height) in picture pixels, as step 2
    converts it: each value over the single-precision scale, rounded down."""
    left, top, width, height = frame
    return (math.floor((left - AREA_ORIGIN) / scale), math.floor((top - AREA_ORIGIN) / scale),
            math.floor(width / scale), math.floor(height / scale))


# --- the journeys -------------------------------------------------------------------

def journey_picks(desktop, program_path):
    pictures = os.path.join(desktop.tmp, "pictures")
    make_pictures(pictures, ["p1.png", "p2.png", "p10.png", "q3.png", "q20.png", "r1.png"])
    # Started in the pictures' folder, so the dialog opens there and bare names match.
    program = desktop.launch(program_path, cwd=pictures)
    window = program.window(TITLE_STEP1)

    # Names typed together, out of page order and quoted: all enter, in page order.
    pick_by_typing(desktop, program, window, '"p10.png" "p2.png" "p1.png"')
    expect_list(program, window, ["p1.png", "p2.png", "p10.png"])

    # A mouse multi-selection in the dialog's file list.
    dialog = open_dialog(desktop, program, window)
    files = program.find(dialog, "文件", "tree")
    desktop.click(program.find(files, "q20.png"))
    desktop.click(program.find(files, "q3.png"), modifiers=["ctrl"])
    name_box = next(item for item in walk(dialog) if item.getRoleName() == "text"
                    and "editable" in states(item))
    wait_until("both files selected", lambda: "q3.png" in text_of(name_box)
               and "q20.png" in text_of(name_box))
    desktop.click(program.find(dialog, "打开(O)", "push button"))
    wait_closed(program, dialog, "the open dialog")
    expect_list(program, window, ["p1.png", "p2.png", "p10.png", "q3.png", "q20.png"])

    # Cancel adds nothing, even with a file selected.
    dialog = open_dialog(desktop, program, window)
    desktop.click(program.find(program.find(dialog, "文件", "tree"), "r1.png"))
    desktop.click(program.find(dialog, "取消", "push button"))
    wait_closed(program, dialog, "the open dialog")
    expect_list(program, window, ["p1.png", "p2.png", "p10.png", "q3.png", "q20.png"])


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

    step3 = program.window(TITLE_STEP3)
    run_into(desktop, program, step3, out, "PNG")
    letters = {1: "A", 2: "B", 3: "A", 4: "B"}
    expected = {f"{letters[k]}{(i - 1) * 4 + k:05d}.PNG": k for i in (1, 2) for k in range(1, 5)}
    wait_until("the run to end", lambda: run_ended(program, step3) and
               set(os.listdir(out)) >= set(expected), timeout=30)
    check(set(os.listdir(out)) == set(expected),
          f"the folder holds {sorted(os.listdir(out))}, expected {sorted(expected)}")
    check(not boxes_titled(program, "错误信息"), "a run without failures showed an error box")

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
    fill, *readouts = labels_over_bar(step3)
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
    check(not boxes_titled(program, "错误信息"),
          "a stopped run reported a picture it never reached: " +
          " / ".join(box_text(b) for b in boxes_titled(program, "错误信息")))
    said = [text for label in readouts for text in spoken(label)]
    check(any(re.search(r"(^|\D)0 %$", text) for text in said),
          f"the progress read-out does not say 0 % on the bus (it gives {said})")


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
    named = [line.strip() for line in report.splitlines()
             if line.strip().startswith(folder + os.sep)]
    check(named, "the end box names no unsaved piece: " + report)
    standing = [path for path in named if os.path.exists(path)]
    check(not standing, "pieces of the first run still stand under names the box reports "
          f"unsaved: {[os.path.basename(p) for p in standing]}")
    check(set(os.listdir(folder)) <= pieces, f"a failed save left {sorted(os.listdir(folder))}")
    press(desktop, program, box, "确定")
    wait_closed(program, box, "the end box")


def journey_screenreader(desktop, program_path):
    pictures = os.path.join(desktop.tmp, "pictures")
    make_pictures(pictures, ["s1.png", "s2.png"])
    program = desktop.launch(program_path, cwd=pictures)
    step1 = program.window(TITLE_STEP1)

    parts = next((item for item in walk(step1) if item.getRoleName() == "combo box"), None)
    check(parts is not None, "step 1 shows no combo box for the number of parts")
    edit = next((item for item in parts if item is not None and item.getRoleName() == "text"), None)
    parts_read = (parts.name, text_of(edit) if edit else text_of(parts))

    pick_all(desktop, program, step1)
    unnamed = {}
    for title in (TITLE_STEP1, TITLE_STEP2, TITLE_STEP3):
        window = program.window(title)
        ring = tab_ring(desktop, program, window)
        print(title, "Tab reaches", [f"{role} {name!r}" for role, name, _ in ring])
        unnamed[title] = [f"{role} at {place}" for role, name, place in ring if not name.strip()]
        if title == TITLE_STEP1:
            press(desktop, program, window, "下一步")
        elif title == TITLE_STEP2:
            press(desktop, program, window, "下一步")
            answer_books_question(desktop, program)
    check(not any(unnamed.values()), f"controls Tab reaches without a name of their own: {unnamed}")
    check(parts_read == ("分割数量", "4"), f"the parts box is named {parts_read[0]!r} with the "
          f"value {parts_read[1]!r}, not named '分割数量' with the value '4'")


def journey_singleinstance(desktop, program_path):
    first = desktop.launch(program_path)
    first.window(TITLE_STEP1)

    # A second copy on the same display says so and ends.
    second = desktop.launch(program_path, expect_window=False)
    box = second.window("错误信息")
    check("程序已经运行在内存中" in box_text(box),
          "the second copy's box says: " + box_text(box))
    press(desktop, second, box, "确定")
    second.exited()
    check(second.process.returncode == 0, f"the second copy ended with {second.process.returncode}")
    check(first.process.poll() is None, "the first copy ended too")

    # On another display the program is another copy's own.
    other = desktop.launch(program_path, display=desktop.start_x())
    check(other.process.poll() is None, "the copy on the second display ended")
    check(not boxes_titled(other, "错误信息"), "the copy on the second display was refused")


JOURNEYS = {name[len("journey_"):]: journey for name, journey in globals().items()
            if name.startswith("journey_")}


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("journey", choices=sorted(JOURNEYS))
    parser.add_argument("--program", required=True)
    args = parser.parse_args()
    check(os.access(args.program, os.X_OK), f"no program at {args.program}")

    def out_of_time(*_):
        raise JourneyFailed("the journey took longer than 100 s")
    signal.signal(signal.SIGALRM, out_of_time)
    signal.alarm(100)  # ends before CTest's timeout, so the teardown still runs
    started = time.monotonic()
    desktop = None
    try:
        desktop = Desktop()
        JOURNEYS[args.journey](desktop, os.path.abspath(args.program))
    except Exception:
        traceback.print_exc()
        if desktop:
            shot = os.path.abspath(f"e2e-{args.journey}-failure.png")
            if desktop.screenshot(shot):
                print(f"screen at the failure: {shot}", file=sys.stderr)
        print(f"FAILED {args.journey}", file=sys.stderr)
        return 1
    finally:
        if desktop:
            desktop.close()
    print(f"passed {args.journey} in {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
