"""The journey through a layout file: saved, loaded back, loaded after an edit by hand."""

import json
import os
import re

from desktop import Announcements, JourneyFailed, check, extents, states, wait_until
from steps import (TITLE_STEP2, TITLE_STEP3, answer_books_question, check_quiet_end,
                   coordinate_picture, origin_in_source, pick_and_go_on, press, run_ended,
                   run_into, type_name, wait_closed)

# The sample's right-click menu, entry by entry.
LAYOUT_MENU = ["保存分割布局(&S)…", "打开分割布局(&O)…"]
READOUT = re.compile(r"起始X：(\d+)  起始Y：(\d+)  尺寸：(\d+)×(\d+) 像素")


def read_out(desktop, frame, test, what):
    """Hovers the frame until its read-out names a picture rectangle that passes test."""
    fx, fy = extents(frame)[:2]
    desktop.xdotool("mousemove", fx + 20, fy + 20, "mousemove", fx + 21, fy + 21)

    def rect():
        match = READOUT.fullmatch(frame.description)
        return match and test(tuple(map(int, match.groups()))) and tuple(map(int, match.groups()))
    try:
        return wait_until(what, rect, timeout=5)
    except JourneyFailed as failure:
        raise JourneyFailed(f"{failure}; it reads {frame.description!r}") from None


def drag_frame(desktop, program, step2, frame, by):
    """Selects the frame with a click, drags it by (dx, dy), lets it go with a second click."""
    x, y, w, h = extents(frame)
    next_button = program.find(step2, "下一步", "push button")
    desktop.click_at(x + w // 2, y + h // 2)
    wait_until("the frame selected", lambda: "sensitive" not in states(next_button))
    # Pressed away from the click, or Qt would take the press for a double-click.
    grab = (x + w // 2 + 20, y + h // 2 + 20)
    desktop.drag(grab, (grab[0] + by[0], grab[1] + by[1]))
    wait_until("the frame dragged", lambda: extents(frame) == (x + by[0], y + by[1], w, h))
    desktop.click_at(x + by[0] + 21, y + by[1] + 21)
    wait_until("the frame let go", lambda: "sensitive" in states(next_button))


def save_as(desktop, program, name):
    """Saves the layout under a name typed into the save dialog."""
    dialog = program.window("保存分割布局")
    type_name(desktop, dialog, name)
    back_on_step2(program, dialog, "the save dialog")


def open_layout(desktop, program, name):
    """Opens a layout by its name typed into the open dialog and Enter, while the dialog's
    completer offers the file: step 2 must be the active window on the bus again."""
    dialog = program.window("打开分割布局")
    type_name(desktop, dialog, name)
    back_on_step2(program, dialog, "the open dialog")


def back_on_step2(program, dialog, what):
    wait_closed(program, dialog, what)
    # Keys go to the active window, and a screen reader follows it.
    try:
        program.window(TITLE_STEP2, timeout=10)
    except JourneyFailed:
        raise JourneyFailed(f"step 2 is not the active window on the bus after {what} "
                            "closed") from None


def from_menu(desktop, menus, at, entry):
    """Right-clicks the sample at the point; checks the menu's entries and clicks one."""
    menus.forget()
    desktop.xdotool("mousemove", *at, "click", 3)
    menu = menus.wait_for("the right-click menu", lambda kind, source, shown:
                          shown and source.getRoleName() == "popup menu")
    entries = [item for item in menu if item is not None]
    # The bus gives an entry's text without the ampersand that marks its key.
    offered = [item.name for item in entries]
    check(offered == [text.replace("&", "") for text in LAYOUT_MENU],
          f"the sample's menu offers {offered}, not {LAYOUT_MENU}")
    desktop.click(entries[LAYOUT_MENU.index(entry)])


def rects_in(path):
    with open(path, encoding="utf-8") as file:
        return [(f["x"], f["y"], f["width"], f["height"]) for f in json.load(file)["frames"]]


def journey_layouts(desktop, program_path):
    from PIL import Image
    menus = Announcements("object:state-changed:showing")
    pictures, out = os.path.join(desktop.tmp, "pictures"), os.path.join(desktop.tmp, "out")
    os.makedirs(pictures)
    os.makedirs(out)
    names = ["m1.png", "m2.png"]
    for name in names:
        coordinate_picture(os.path.join(pictures, name), 1000, 700)
    program = desktop.launch(program_path, cwd=pictures)
    step2 = pick_and_go_on(desktop, program, names)
    frame = {k: program.find(step2, f"分割框{k}") for k in range(1, 5)}
    cx, cy = extents(program.find(step2, "样本图片与分割框"))[:2]
    on_sample = (cx + 100, cy + 100)

    # Frame 2 moved, then saved with Ctrl+S under a name without suffix.
    grid = read_out(desktop, frame[2], bool, "frame 2's read-out")
    drag_frame(desktop, program, step2, frame[2], (-61, 47))
    saved_place = extents(frame[2])
    saved = read_out(desktop, frame[2], lambda rect: rect != grid, "the moved frame's read-out")
    desktop.key("ctrl+s")
    save_as(desktop, program, "mine")
    mine = os.path.join(pictures, "mine.json")
    check(os.path.isfile(mine), f"no mine.json beside the pictures: {sorted(os.listdir(pictures))}")
    check(rects_in(mine)[1] == saved, f"mine.json keeps frame 2 as {rects_in(mine)[1]}, the "
          f"window read {saved}")

    # Moved again, then loaded back with Ctrl+O: where it was saved, to the pixel.
    drag_frame(desktop, program, step2, frame[2], (40, -30))
    read_out(desktop, frame[2], lambda rect: rect != saved, "the frame moved off the saved place")
    desktop.key("ctrl+o")
    open_layout(desktop, program, "mine.json")
    read_out(desktop, frame[2], lambda rect: rect == saved, f"the read-out of {saved} again")
    check(extents(frame[2]) == saved_place,
          f"frame 2 lies at {extents(frame[2])} after the load, it was saved at {saved_place}")

    # The right-click menu: the loaded layout saved as it came.
    from_menu(desktop, menus, on_sample, LAYOUT_MENU[0])
    save_as(desktop, program, "again")
    again = os.path.join(pictures, "again.json")
    check(os.path.isfile(again) and rects_in(again) == rects_in(mine),
          "the loaded layout saved again is not the file it came from")

    # A file edited by hand, finer than the window's pixels: read and cut exactly as written.
    edited = [(3, 5, 331, 253), (419, 7, 297, 349), (11, 361, 401, 307), (487, 333, 509, 363)]
    with open(mine, encoding="utf-8") as file:
        layout = json.load(file)
    for fields, (x, y, w, h) in zip(layout["frames"], edited):
        fields.update(x=x, y=y, width=w, height=h)
    with open(os.path.join(pictures, "edited.json"), "w", encoding="utf-8") as file:
        json.dump(layout, file)
    from_menu(desktop, menus, on_sample, LAYOUT_MENU[1])
    open_layout(desktop, program, "edited.json")
    for k in range(1, 5):
        read_out(desktop, frame[k], lambda rect: rect == edited[k - 1],
                 f"frame {k}'s read-out of {edited[k - 1]}")

    press(desktop, program, step2, "下一步")
    answer_books_question(desktop, program)
    step3 = program.window(TITLE_STEP3)
    run_into(desktop, program, step3, out, "PNG")
    letters = [fields["letter"] for fields in layout["frames"]]
    expected = {f"{letters[k - 1]}{(i - 1) * 4 + k:05d}.PNG": k for i in (1, 2)
                for k in range(1, 5)}
    wait_until("the run to end", lambda: run_ended(program, step3) and
               set(os.listdir(out)) >= set(expected), timeout=30)
    check_quiet_end(program, step3, 100, "a run without failures showed an error box")
    check(set(os.listdir(out)) == set(expected),
          f"the folder holds {sorted(os.listdir(out))}, expected {sorted(expected)}")
    for name, k in sorted(expected.items()):
        with Image.open(os.path.join(out, name)) as piece:
            cut = (*origin_in_source(piece.convert("RGB")), *piece.size)
        check(cut == edited[k - 1], f"{name} cuts {cut}, the file says {edited[k - 1]}")
