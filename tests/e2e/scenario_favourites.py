"""The favourites notebook with the real program: in the viewer screen the quick tool strip keeps
a favourite of the example series, the viewer screen's favourites button opens the notebook,
which lists the favourite with its thumbnail; a text note typed in the message bar is stored and
listed, and touching the image opens it in the favourite viewer. Screenshots of each step are
kept, the notebook's copied to the folder BV_SCREENS names (docs/screens for the README)."""

import glob
import os
import shutil
import sqlite3
import sys

from harness import Failure, Session, run
from scenario_viewer import named, open_example, wait_for_series_shown

NOTE = "Lesion at slice 20, compare next time"


def database(session):
    found = glob.glob(os.path.join(session.writable, "**", "dicomDB"), recursive=True)
    if not found:
        raise Failure("the study database was not made")
    return found[0]


def stored_favourite_files(session):
    with sqlite3.connect(database(session)) as db:
        return [row[0] for row in db.execute("select image from favorite where type=2")]


def stored_notes(session):
    with sqlite3.connect(database(session)) as db:
        return [row[0] for row in db.execute("select message from favorite where type=5")]


def favourites(program, out):
    width, height = 1920, 1080
    session = Session(program, out, "favourites_%dx%d" % (width, height), width, height)
    shutil.rmtree(session.writable, ignore_errors=True)
    try:
        session.start_display()
        session.start_program()
        open_example(session)
        wait_for_series_shown(session)

        # Touching the cell brings the quick tool strip; its star keeps a favourite.
        session.click_at(300 + 500, 60 + 350)
        session.wait_for(lambda: named(session, "favorite"), 20, "the quick tool strip")
        kept = os.path.join(session.writable, "qn", "favorite", "*.dcm")
        session.click_at(*named(session, "favorite")[0].centre())
        session.wait_for(lambda: glob.glob(kept), 20, "the favourite's DICOM file")
        # The notebook lists what the library holds when it opens: wait for the favourite's row.
        session.wait_for(lambda: stored_favourite_files(session), 20, "the favourite's row")
        session.click("btnCmdFavorite")
        session.wait_for(lambda: session.has_widget("favorite_title"), 20, "the notebook")
        thumbnail = glob.glob(kept)[0][:-3] + "png"
        session.wait_for(lambda: os.path.exists(thumbnail), 30, "the favourite's thumbnail")

        # The text box lies in the message bar at the bottom of the 300-wide column.
        session.click_at(150, height - 50)
        session.widgets()
        session.type_text(NOTE)
        session.key("Return")
        session.wait_for(lambda: len(stored_notes(session)) == 1, 20, "the stored text note")
        notebook = session.screenshot("01-notebook")
        screens = os.environ.get("BV_SCREENS")
        if screens:
            os.makedirs(screens, exist_ok=True)
            shutil.copy(notebook, os.path.join(screens, "favourites.png"))
        session.check_layout("the notebook", under=("favoriteView",))

        # Rows fill the column from under its 60-point title bar: the time row, then the image
        # (its picture's top-right corner 10 in from the row's and 40 from the column's edge).
        session.click_at(235, 60 + 35 + 30)
        session.wait_for(lambda: session.has_widget("btnCmdWL"), 20, "the favourite viewer")
        session.screenshot("02-favourite-viewer")

        session.stop_program_cleanly()
    finally:
        session.close()


def scenario(program, out):
    favourites(program, out)


if __name__ == "__main__":
    sys.exit(run(scenario, sys.argv))
