"""End-to-end journeys through the built program, one per run:

    /usr/bin/python3 journeys.py <journey> --program path/to/qinghe-splitter
"""

import argparse
import os
import signal
import sys
import time
import traceback

sys.dont_write_bytecode = True  # nothing written into the source tree
from desktop import Desktop, JourneyFailed, check, states, text_of, wait_until, walk
from steps import (TITLE_STEP1, TITLE_STEP2, TITLE_STEP3, answer_books_question, boxes_titled,
                   box_text, default_run, dialog_folder, expect_list, listed_pictures,
                   make_pdf, make_pictures, make_tiff, marked_page, name_box, open_dialog,
                   pick_all, press, tab_ring, type_name, wait_closed)
import layouts
import runs
from runs import check_pieces_of_pages


def journey_picks(desktop, program_path):
    pictures, start = os.path.join(desktop.tmp, "pictures"), os.path.join(desktop.tmp, "start")
    size = (120, 90)  # every picture alike, so the run's end has no sizes to report
    make_pictures(pictures, ["p1.png", "p2.png", "p10.png", "q3.png", "q20.png", "r1.png"], size)
    pages = [marked_page(size, mark) for mark in range(1, 6)]
    make_pdf(os.path.join(pictures, "book.pdf"), pages[:2])
    make_tiff(os.path.join(pictures, "scan.tif"), pages[2:])
    make_pictures(start, ["s1.png"])
    program = desktop.launch(program_path, cwd=start)
    window = program.window(TITLE_STEP1)

    # The first dialog opens in the working folder; a folder's path typed goes there.
    dialog = open_dialog(desktop, program, window)
    wait_until(f"the first dialog in {start}", lambda: dialog_folder(dialog) == start)
    type_name(desktop, dialog, pictures)
    wait_until(f"the dialog in {pictures}", lambda: dialog_folder(dialog) == pictures)
    # Names typed together, out of page order and quoted: all enter, in page order.
    type_name(desktop, dialog, '"p10.png" "p2.png" "p1.png"')
    wait_closed(program, dialog, "the open dialog")
    expect_list(program, window, ["p1.png", "p2.png", "p10.png"])

    # The next dialog opens in the last pick's folder; a mouse multi-selection there.
    dialog = open_dialog(desktop, program, window)
    wait_until(f"the next dialog in the last pick's folder {pictures}",
               lambda: dialog_folder(dialog) == pictures, timeout=5)
    files = program.find(dialog, "文件", "tree")
    desktop.click(program.find(files, "q20.png"))
    desktop.click(program.find(files, "q3.png"), modifiers=["ctrl"])
    wait_until("both files selected", lambda: "q3.png" in text_of(name_box(dialog))
               and "q20.png" in text_of(name_box(dialog)))
    desktop.click(program.find(dialog, "打开(O)", "push button"))
    wait_closed(program, dialog, "the open dialog")
    expect_list(program, window, ["p1.png", "p2.png", "p10.png", "q3.png", "q20.png"])

    # Cancel adds nothing, even with a file selected.
    dialog = open_dialog(desktop, program, window)
    desktop.click(program.find(program.find(dialog, "文件", "tree"), "r1.png"))
    desktop.click(program.find(dialog, "取消", "push button"))
    wait_closed(program, dialog, "the open dialog")
    expect_list(program, window, ["p1.png", "p2.png", "p10.png", "q3.png", "q20.png"])

    # A PDF of two pages and a TIFF of three enter page by page, each page named.
    dialog = open_dialog(desktop, program, window)
    type_name(desktop, dialog, '"scan.tif" "book.pdf"')
    wait_closed(program, dialog, "the open dialog")
    paged = [f"book.pdf（第 {n} 页）" for n in (1, 2)] + [f"scan.tif（第 {n} 页）" for n in (1, 2, 3)]
    singles = ["p1.png", "p2.png", "p10.png", "q3.png", "q20.png"]
    expect_list(program, window, singles + paged)
    listed = listed_pictures(program, window)[len(singles):]
    check(listed == [os.path.join(pictures, name) for name in paged],
          f"the pages are listed as {listed}")

    # Cut page by page: the pages take their running numbers in list order.
    out = os.path.join(desktop.tmp, "out")
    os.makedirs(out)
    press(desktop, program, window, "下一步")
    step3 = default_run(desktop, program, program.window(TITLE_STEP2), out, "PNG")
    check_pieces_of_pages(program, step3, out, len(singles), pages)


# The Tab order each window sets, every control of it: Tab passes over a hidden or
# disabled control and enters a group of options only at the chosen one.
TAB_ORDERS = {
    TITLE_STEP1: [("push button", "插入新图片"), ("push button", "下一步"),
                  ("combo box", "分割数量"), ("push button", "从列表中移除选定的项"),
                  ("list", "待分割图片列表"), ("push button", "退出")],
    TITLE_STEP2: [("push button", "退出"), ("push button", "下一步"), ("push button", "上一步"),
                  ("combo box", "旋转方式")] +
                 [("combo box", f"分割框{k}首字母") for k in range(1, 5)],
    TITLE_STEP3: [("push button", "浏览"), ("text", "分割后文件的保存路径"),
                  ("radio button", "保存格式 BMP"), ("radio button", "保存格式 TIF"),
                  ("push button", "退出"), ("push button", "开始分割"), ("push button", "上一步"),
                  ("radio button", "保存格式 PNG"), ("radio button", "保存格式 JPG"),
                  ("push button", "停止"), ("check box", "保持黑白、灰度图片的颜色深度"),
                  ("check box", "同时为每本书生成一个 PDF 文件")],
}


def tab_stops(program, window, order):
    """The controls of order that Tab stops at as the window stands."""
    stops = []
    for role, name in order:
        now = states(program.find(window, name, role, showing=False))
        if {"showing", "sensitive"} <= now and (role != "radio button" or "checked" in now):
            stops.append((role, name))
    return stops


def check_tab_order(desktop, program, title, unnamed):
    window = program.window(title)
    ring = tab_ring(desktop, program, window)
    unnamed[title] = [f"{role} at {place}" for role, name, place in ring if not name.strip()]
    reached = [(role, name) for role, name, _ in ring]
    stops = tab_stops(program, window, TAB_ORDERS[title])
    # The ring starts wherever the focus was.
    at = stops.index(reached[0]) if reached[0] in stops else 0
    check(reached == stops[at:] + stops[:at],
          f"{title}: Tab reaches {reached}, the window's order is {stops[at:] + stops[:at]}")
    return window


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
    press(desktop, program, check_tab_order(desktop, program, TITLE_STEP1, unnamed), "下一步")
    press(desktop, program, check_tab_order(desktop, program, TITLE_STEP2, unnamed), "下一步")
    answer_books_question(desktop, program)
    step3 = check_tab_order(desktop, program, TITLE_STEP3, unnamed)
    # Another format chosen: Tab meets the options where that one stands in the order.
    png = program.find(step3, "保存格式 PNG", "radio button")
    desktop.click(png)
    wait_until("PNG chosen", lambda: {"checked", "focused"} <= states(png))
    check_tab_order(desktop, program, TITLE_STEP3, unnamed)
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


JOURNEYS = {name[len("journey_"):]: journey
            for module in (globals(), vars(runs), vars(layouts))
            for name, journey in module.items() if name.startswith("journey_")}


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
