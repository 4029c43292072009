"""What a user does on each of the program's windows, through real input, and what the
journeys read back from the accessibility bus; the pictures the journeys are made of."""

import math
import os
import re
import shutil
import struct
import subprocess

from desktop import JourneyFailed, check, describe, extents, states, text_of, wait_until, walk


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


def name_box(dialog):
    """A file dialog's file-name box."""
    return next(item for item in walk(dialog) if item.getRoleName() == "text"
                and "editable" in states(item))


def type_name(desktop, dialog, typed):
    """Types into a file dialog's file-name box, in place of what it held, and presses Enter."""
    box = name_box(dialog)
    desktop.click(box)
    desktop.key("ctrl+a", "BackSpace")
    desktop.type(typed)
    wait_until(f"{typed!r} in the file-name box", lambda: text_of(box) == typed)
    desktop.key("Return")


def dialog_folder(dialog):
    """The folder a file dialog shows, as its "查找范围：" box reads."""
    return text_of(combo_after(dialog, "查找范围："))


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

def tick(desktop, program, window, name):
    """Clicks a check box that is not ticked yet and waits until it is."""
    box = program.find(window, name, "check box")
    check("checked" not in states(box), f"the check box {name!r} is ticked already")
    desktop.click(box)
    wait_until(f"{name!r} ticked", lambda: "checked" in states(box))


def run_into(desktop, program, step3, folder, fmt, ticks=()):
    """Step 3: format, folder typed into its box, the check boxes named in ticks, Start."""
    desktop.click(program.find(step3, "保存格式 " + fmt, "radio button"))
    wait_until(f"{fmt} chosen", lambda: "checked" in states(
        program.find(step3, "保存格式 " + fmt, "radio button")))
    for name in ticks:
        tick(desktop, program, step3, name)
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


def check_quiet_end(program, step3, percent, what):
    """Fails if the run's end brought an error box. The box is modal and takes the focus:
    its absence counts once the read-out says percent and the window is active again."""
    said = re.compile(rf"(^|\D){percent} %$")
    wait_until(f"the progress read-out to say {percent} % on the bus", lambda: any(
        said.search(text) for label in labels_over_bar(step3)[1:] for text in spoken(label)))
    try:
        program.window(TITLE_STEP3, timeout=10)
    except JourneyFailed:
        pass  # something else holds the focus: a box is named below
    boxes = boxes_titled(program, "错误信息")
    check(not boxes, f"{what}: " + " / ".join(box_text(box) for box in boxes))


def default_run(desktop, program, step2, folder, fmt):
    """From step 2: takes the default frames and letters, runs into folder; returns step 3."""
    press(desktop, program, step2, "下一步")
    answer_books_question(desktop, program)
    step3 = program.window(TITLE_STEP3)
    run_into(desktop, program, step3, folder, fmt)
    return step3


def whole_run(desktop, program, names, folder, fmt):
    """Picks the pictures, takes the default frames, runs into folder; returns step 3."""
    return default_run(desktop, program, pick_and_go_on(desktop, program, names), folder, fmt)


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


def marked_page(size, mark):
    """A page whose pixels tell where they are and which page holds them:
    R = x, G = y (both under 256), B = mark."""
    from PIL import Image
    width, height = size
    red = bytes(range(width)) * height
    green = b"".join(bytes([y]) * width for y in range(height))
    blue = bytes([mark]) * (width * height)
    return Image.merge("RGB", [Image.frombytes("L", size, plane) for plane in (red, green, blue)])


def needs_tool(tool, package):
    check(shutil.which(tool), f"{tool} is missing on this machine (Debian package {package})")


def make_pdf(path, pages):
    """A PDF with one page per picture, each embedded as it is (img2pdf keeps PNG's pixels)."""
    needs_tool("img2pdf", "img2pdf")
    sources = [f"{path}.{i}.png" for i in range(len(pages))]
    for page, source in zip(pages, sources):
        page.save(source)
    subprocess.run(["img2pdf", "-o", path, *sources], check=True, capture_output=True)
    for source in sources:
        os.remove(source)


def make_tiff(path, pages):
    pages[0].save(path, save_all=True, append_images=pages[1:])
