"""The study list with the real program: on a wide window the first patient is selected,
highlighted and shown beside the patient table without a touch, when it arrives and again after
a restart; on a small window touching the row's end opens the list as a screen of its own. The
list shows the study title row and the series row with the series' thumbnails, made in the
series folder; the series row's swipe menu sends the series from the DICOM node screen, and its
open arrow names the series for the viewer screen. Screenshots of each step are kept."""

import glob
import os
import shutil
import subprocess
import sys

from harness import Failure, Session, free_port, run
from scenario_dcm_node import count_files, replace_field
from scenario_home import EXAMPLE, highlighted_rows, wait_for_patient

SERIES_FILES = 40


def texts(session, name):
    return [w.text for w in session.widgets() if w.name == name and w.text]


def series_row_shown(session):
    return any(t.endswith(" of 40") for t in texts(session, "imageDesc"))


def send_from_series_row(session):
    """Swipes the series row open from its left edge and presses its send button: the DICOM node
    screen opens with the series to send, and a node added by its address (DCMTK's storescp on
    loopback) receives every file of the series."""
    row = [w for w in session.widgets() if w.name == "imageDesc" and w.text.endswith(" of 40")][0]
    left = min(w.x for w in session.widgets() if w.name == "seriesDesc")
    start_x, y = int(left - 60), int(row.y)
    session.xdo("mousemove", "--sync", str(start_x), str(y))
    session.xdo("mousedown", "1")
    for step in range(1, 11):
        session.xdo("mousemove", "--sync", str(start_x + 30 * step), str(y))
    session.xdo("mouseup", "1")
    session.wait_for(lambda: session.has_widget("send"), 10, "the series row's swipe menu")
    session.screenshot("03-series-tools")
    session.click("send")
    session.wait_for(lambda: session.has_widget("dcmUISend"), 20, "the DICOM node screen")
    if not session.has_widget("dcmNode_send"):
        raise Failure("the node screen has no send bar for the series")
    received = os.path.join(session.out, "received")
    shutil.rmtree(received, ignore_errors=True)
    os.makedirs(received)
    peer_port = free_port()
    storescp = subprocess.Popen(["storescp", "-od", received, str(peer_port)],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        replace_field(session, "editIP", "127.0.0.1")
        replace_field(session, "editPort", str(peer_port))
        session.click("dcmAddList")
        session.wait_for(lambda: "Unknown" in texts(session, "name"), 10, "the added node's row")
        added = [w for w in session.widgets()
                 if w.name == "name" and w.text == "Unknown" and w.path.startswith("dcmNode")]
        session.click_at(*added[0].centre())
        session.click("dcmSend")
        session.wait_for(lambda: "Done" in texts(session, "ratio"), 60, "the series' send to end")
        session.wait_for(lambda: count_files(received) == SERIES_FILES, 30,
                         "every file of the series at storescp")
        session.screenshot("04-send-series")
    finally:
        storescp.kill()
        storescp.wait()
    session.click("btn_back")
    session.wait_for(lambda: not session.has_widget("dcmUISend"), 20, "the study list again")


def study_list(program, out, width, height):
    session = Session(program, out, "study_list_%dx%d" % (width, height), width, height)
    shutil.rmtree(session.writable, ignore_errors=True)
    try:
        session.start_display()
        session.start_program()
        session.wait_for(lambda: session.has_widget("choosePath"), 20, "the data-folder chooser")
        session.click("goBack")
        session.wait_for(lambda: not session.has_widget("choosePath"), 20, "the home screen")
        wait_for_patient(session, EXAMPLE, 60)

        # A wide window shows the selected first row beside the table at once; a narrow one
        # opens a row from its end.
        if width <= 1800:
            session.click_at(*session.widget("patientRecord/open").centre())
        session.wait_for(lambda: series_row_shown(session), 30, "the series row of the 40 slices")
        if width > 1800 and highlighted_rows(session) != [EXAMPLE]:
            raise Failure("the selected row is not highlighted: %s" % highlighted_rows(session))
        def thumbnails():
            return glob.glob(os.path.join(session.writable, "**", "thrumb*"), recursive=True)

        def shown_thumbnails():
            return len([n for n in session.sprites() if n.startswith("thrumb")])
        # The job writes them one by one, each under a temporary name first; while the series
        # still grows they are made again, and the list shows them once the last job is done.
        session.wait_for(lambda: len([t for t in thumbnails() if not t.endswith(".part")]) == 6
                         and shown_thumbnails() == 6, 30, "the six thumbnails of the 40 slices")
        session.wait_for(lambda: len(thumbnails()) == 6, 10, "the last temporary thumbnail")
        if not texts(session, "time"):
            raise Failure("the study has no title row with its date")
        session.screenshot("01-study-list")
        session.check_layout("the study list")
        if width > 1800:
            send_from_series_row(session)

        # The right end of the series row opens the series.
        opener = [w for w in session.widgets() if w.path == "open"]
        if not opener:
            raise Failure("the series row has no open arrow")
        session.click_at(*opener[0].centre())
        session.screenshot("02-open-series")
        session.stop_program_cleanly()

        if width > 1800:
            # A restart loads the row from the library: selected and shown at once again.
            session.start_program("restarted")
            wait_for_patient(session, EXAMPLE, 60)
            session.wait_for(lambda: series_row_shown(session), 30,
                             "the series row after the restart")
            if highlighted_rows(session) != [EXAMPLE]:
                raise Failure("after the restart the selected row is not highlighted")
            session.screenshot("05-restarted")
            session.stop_program_cleanly()
    finally:
        session.close()


def scenario(program, out):
    study_list(program, out, 1920, 1080)
    study_list(program, out, 1280, 800)


if __name__ == "__main__":
    sys.exit(run(scenario, sys.argv))
