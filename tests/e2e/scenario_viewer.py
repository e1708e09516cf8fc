"""The viewer screen with the real program: the example series opens from the study list with its
tool column and the hanging protocol's viewers; the wheel pages through the slices; the window
menu splits the viewer area into three regions; a line measured in a viewer reads in mm; the
capture menu writes a JPEG of the viewer area's size; the quick tool strip saves a favourite as a
DICOM file and opens the DICOM tag list. Screenshots of each step are kept, and copied to the
folder BV_SCREENS names (docs/screens for the README)."""

import glob
import os
import shutil
import struct
import sys
import time

import screenshot
from harness import Failure, Session, run
from scenario_home import EXAMPLE, wait_for_patient

WIDTH, HEIGHT = 1920, 1080
TOOL_COLUMN, TOP_BAR = 300, 60


def open_example(session):
    session.wait_for(lambda: session.has_widget("choosePath"), 20, "the data-folder chooser")
    session.click("goBack")
    session.wait_for(lambda: not session.has_widget("choosePath"), 20, "the home screen")
    wait_for_patient(session, EXAMPLE, 60)
    # A wide window opens a touched row beside the table; a narrow one from the row's end.
    if session.width > 1800:
        row = [w for w in session.widgets() if w.name == "name" and w.text == EXAMPLE][0]
        session.click_at(*row.centre())
    else:
        session.click_at(*session.widget("patientRecord/open").centre())
    session.wait_for(lambda: any(w.path == "open" for w in session.widgets()), 30,
                     "the series row")
    opener = [w for w in session.widgets() if w.path == "open"][0]
    session.click_at(*opener.centre())


MPR = {"Axial", "Sagittal", "Coronal"}


def cell_kinds(session):
    return {v.kind for v in session.viewers()}


def wait_for_series_shown(session):
    """Waits for the example volume in its protocol's three MPR cells with the viewer's tools.
    A series shown before its slices are all loaded is first laid out as one image and laid out
    again once they are: a touch before that lands on a cell that goes."""
    session.wait_for(lambda: session.has_widget("imageTool"), 60, "the viewer screen's tools")
    session.wait_for(lambda: cell_kinds(session) == MPR, 60,
                     "the volume in its axial, sagittal and coronal cells")
    session.wait_for(lambda: session.has_widget("btnCmdFavorite"), 60,
                     "the series shown with its favourite tools")


def keep(session, label, screens):
    path = session.screenshot(label)
    if screens and path:
        os.makedirs(screens, exist_ok=True)
        shutil.copy(path, os.path.join(screens, "viewer-" + label + ".png"))


def jpeg_size(path):
    with open(path, "rb") as image:
        data = image.read()
    i = 2
    while i < len(data) - 9:
        if data[i] != 0xFF:
            i += 1
            continue
        marker = data[i + 1]
        if marker in (0xC0, 0xC1, 0xC2):
            height, width = struct.unpack(">HH", data[i + 5:i + 9])
            return width, height
        i += 2 + struct.unpack(">H", data[i + 2:i + 4])[0]
    return None


def drag(session, start, end):
    session.xdo("mousemove", str(start[0]), str(start[1]))
    session.xdo("mousedown", "1")
    for k in range(1, 11):
        x = start[0] + (end[0] - start[0]) * k // 10
        y = start[1] + (end[1] - start[1]) * k // 10
        session.xdo("mousemove", str(x), str(y))
        time.sleep(0.03)
    session.xdo("mouseup", "1")


def named(session, name):
    return [w for w in session.widgets() if w.name == name]


def scenario(program, out):
    large_window(program, out)
    small_window(program, out)


def large_window(program, out):
    screens = os.environ.get("BV_SCREENS")
    session = Session(program, out, "viewer", WIDTH, HEIGHT)
    shutil.rmtree(session.writable, ignore_errors=True)
    try:
        session.start_display()
        session.start_program()
        open_example(session)
        wait_for_series_shown(session)
        keep(session, "01-opened", screens)

        # The wheel over the first cell pages through the slices: the cell's position text (its
        # top left corner) changes.
        def corner(top, bottom):
            _, _, rows = screenshot.capture(session.display, os.path.join(session.out, "cell.png"))
            return [row[3 * TOOL_COLUMN:3 * (TOOL_COLUMN + 300)] for row in rows[top:bottom]]
        cell = (TOOL_COLUMN + 200, TOP_BAR + 200)
        before_paging = corner(TOP_BAR, TOP_BAR + 50)
        session.xdo("mousemove", str(cell[0]), str(cell[1]))
        for _ in range(5):
            session.xdo("click", "5")
        session.wait_for(lambda: corner(TOP_BAR, TOP_BAR + 50) != before_paging, 10,
                         "the wheel to page the cell to another slice")
        keep(session, "02-scrolled", screens)

        # Window/level by mouse from the window/level menu's second row: dragging in the cell
        # changes the cell's ww/wl text.
        def overlay_text():
            return corner(520, 575)
        before_wl = overlay_text()
        button = session.widget("btnCmdWL")
        session.click_at(*button.centre())
        wait_for_menu(session, "windowLevelMenu")
        session.click_at(70, int(button.y - 440))
        wait_for_menu_closed(session, "windowLevelMenu")
        drag(session, (cell[0], cell[1]), (cell[0] + 120, cell[1] + 80))
        session.wait_for(lambda: overlay_text() != before_wl, 10,
                         "the drag in window/level mode to change the cell's ww/wl")
        keep(session, "03-window-level", screens)

        # A line in the first cell reads its length in mm.
        session.click("btnCmdLine")
        # A dump is written after the program has handled the events before it: the line tool
        # is on when the drag starts.
        session.widgets()
        drag(session, (cell[0] - 100, cell[1]), (cell[0] + 100, cell[1] + 50))
        session.wait_for(lambda: any((w.text or "").endswith("mm")
                                     for w in named(session, "roiLabel")),
                         20, "the line's length in mm")
        keep(session, "04-line", screens)

        # The capture menu's middle row captures the viewer area.
        captures = os.path.join(session.writable, "**", "*.jpg")
        before = set(glob.glob(captures, recursive=True))
        button = session.widget("btnCmdCapture")
        session.click_at(*button.centre())
        wait_for_menu(session, "captureMenu")
        menu_left = max(0, button.x - 100)
        session.click_at(int(menu_left + 60), int(button.y - 80))
        session.wait_for(lambda: set(glob.glob(captures, recursive=True)) - before, 20,
                         "the capture's JPEG")
        made = sorted(set(glob.glob(captures, recursive=True)) - before)[0]
        session.wait_for(lambda: jpeg_size(made) is not None, 10, "the whole JPEG")
        if jpeg_size(made) != (WIDTH - TOOL_COLUMN, HEIGHT - TOP_BAR):
            raise Failure("the capture is %s, not the viewer area" % (jpeg_size(made),))

        # Touching the cell brings the quick tool strip; its star keeps a favourite.
        session.click_at(cell[0] + 300, cell[1] + 150)
        session.wait_for(lambda: named(session, "favorite"), 20, "the quick tool strip")
        favourites = os.path.join(session.writable, "qn", "favorite", "*.dcm")
        session.click_at(*named(session, "favorite")[0].centre())
        session.wait_for(lambda: glob.glob(favourites), 20, "the favourite's DICOM file")
        keep(session, "05-strip", screens)

        # The strip's information button, then the menu's last row, open the tag list.
        session.click_at(*named(session, "info")[0].centre())
        wait_for_menu(session, "dcmMenu")
        strip = named(session, "info")[0]
        keep(session, "06-dicom-menu", screens)
        open_tag_list(session, strip)
        session.wait_for(lambda: session.has_widget("headTag"), 20, "the DICOM tag list")
        keep(session, "07-tag-list", screens)
        session.key("Escape")
        session.wait_for(lambda: not session.has_widget("headTag"), 20, "the tag list to close")

        # The protocol menu offers the volume's five layouts; its last, mpr2, sets three MPR
        # columns side by side, each the full height of the viewer area (the axial one a
        # browser of two slices).
        def side_by_side():
            columns = {(v.kind, round(v.x)) for v in session.viewers()
                       if round(v.y) == TOP_BAR and round(v.h) == HEIGHT - TOP_BAR}
            return ({kind for kind, _ in columns} == MPR and len(columns) == 3 and
                    len({x for _, x in columns}) == 3)
        if side_by_side():
            raise Failure("the MPR cells stand side by side before the protocol choice")
        protocol = session.widget("btnCmdProtocal")
        session.click_at(*protocol.centre())
        wait_for_menu(session, "protocalMenu")
        session.click_at(WIDTH - 120 - 60, 30 + 270)
        session.wait_for(side_by_side, 20, "mpr2's three MPR cells side by side")
        keep(session, "08-protocol-mpr2", screens)

        # The window menu's fourth row splits the viewer area into three regions.
        if len(session.regions()) != 1:
            raise Failure("the viewer area is split before the window choice: %s" %
                          session.regions())
        window = session.widget("btnCmdWindow")
        session.click_at(*window.centre())
        wait_for_menu(session, "windowMenu")
        session.click_at(int(window.x + 60), 30 + 210)

        def three_regions():
            regions = session.regions()
            return len(regions) == 3 and all(
                x >= TOOL_COLUMN - 0.5 and y >= TOP_BAR - 0.5 and x + w <= WIDTH + 0.5 and
                y + h <= HEIGHT + 0.5 for x, y, w, h in regions)
        session.wait_for(three_regions, 20, "the viewer area split into three regions")
        keep(session, "09-window-1x3", screens)

        status = session.stop_program()
        if status != 0:
            raise Failure("the program ended with status %d after its close" % status)
    finally:
        session.close()


def small_window(program, out):
    """The viewer screen in a 1280 x 800 window: the series opens with its tools and viewers,
    and no named widget is cut by the window or overlaps another."""
    session = Session(program, out, "viewer_1280x800", 1280, 800)
    shutil.rmtree(session.writable, ignore_errors=True)
    try:
        session.start_display()
        session.start_program()
        open_example(session)
        wait_for_series_shown(session)
        session.screenshot("01-opened")
        # The screen's full-size root and its top bar are backgrounds the buttons sit on; the
        # tool column's content scrolls inside it; the window button's arrow is part of it
        # (both open the window menu).
        backgrounds = ("root", "topBar", "btnCmdWindowArrow")
        session.check_widgets("the viewer screen", [
            w for w in session.widgets()
            if w.name not in backgrounds and not w.path.startswith("imageViewPC/imageTool/")])
        session.stop_program_cleanly()
    finally:
        session.close()


def open_tag_list(session, strip):
    """Clicks the DICOM menu's last row, which lies 30 to 70 points above the strip's bottom and
    ends 200 points left of its right end."""
    link = named(session, "link")[0]
    session.click_at(int(link.x + link.w - 110), int(strip.y + strip.h - 50))


def wait_for_menu(session, name):
    session.wait_for(lambda: name in session.menus(), 10, "the menu " + name)


def wait_for_menu_closed(session, name):
    session.wait_for(lambda: name not in session.menus(), 10, "the menu %s to close" % name)


if __name__ == "__main__":
    sys.exit(run(scenario, sys.argv))
