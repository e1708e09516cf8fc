"""The favourites notebook with the real program: a favourite DICOM image kept in the library
(as the viewer screen keeps one) is listed in the notebook opened from the home screen, gets its
thumbnail, a text note typed in the message bar is stored and listed, and touching the image
opens it in the favourite viewer. A screenshot of the notebook is kept."""

import datetime
import glob
import os
import shutil
import sqlite3
import sys

from harness import Failure, Session, run
from scenario_home import EXAMPLE, wait_for_patient

NOTE = "Lesion at slice 20, compare next time"


def is_dicom(path):
    with open(path, "rb") as data:
        head = data.read(132)
    return len(head) == 132 and head[128:] == b"DICM"


def database(session):
    found = glob.glob(os.path.join(session.writable, "**", "dicomDB"), recursive=True)
    if not found:
        raise Failure("the study database was not made")
    return found[0]


def keep_favourite(session):
    """Copies one image of the example study to the favourites folder and stores its row."""
    images = [p for p in glob.glob(os.path.join(session.writable, "**", "*"), recursive=True)
              if os.path.isfile(p) and "favorite" not in p and is_dicom(p)]
    if not images:
        raise Failure("the example study has no DICOM file")
    folder = os.path.join(session.writable, "qn", "favorite")
    os.makedirs(folder, exist_ok=True)
    shutil.copy(sorted(images)[len(images) // 2], os.path.join(folder, "example.dcm"))
    now = datetime.datetime.now().strftime("%Y-%m-%d %H:%M:%S")
    with sqlite3.connect(database(session)) as db:
        db.execute("insert into favorite(ID,type,message,icon,image,valid,updateTime,scale) "
                   "values (1,3,'','','',1,?,1)", (now,))
        db.execute("insert into favorite(ID,type,message,icon,image,valid,updateTime,scale) "
                   "values (2,2,'','','qn/favorite/example.dcm',1,?,1)", (now,))


def stored_notes(session):
    with sqlite3.connect(database(session)) as db:
        return [row[0] for row in db.execute("select message from favorite where type=5")]


def favourites(program, out):
    width, height = 1920, 1080
    session = Session(program, out, "favourites_%dx%d" % (width, height), width, height)
    shutil.rmtree(session.writable, ignore_errors=True)
    try:
        session.start_display()
        session.start_program("first-run")
        session.wait_for(lambda: session.has_widget("choosePath"), 20, "the data-folder chooser")
        session.click("goBack")
        session.wait_for(lambda: not session.has_widget("choosePath"), 20, "the home screen")
        wait_for_patient(session, EXAMPLE, 60)
        if session.stop_program() != 0:
            raise Failure("the first run did not end cleanly")

        keep_favourite(session)
        session.start_program()
        wait_for_patient(session, EXAMPLE, 60)
        session.click("btnFavorite")
        session.wait_for(lambda: session.has_widget("favorite_title"), 20, "the notebook")
        thumbnail = os.path.join(session.writable, "qn", "favorite", "example.png")
        session.wait_for(lambda: os.path.exists(thumbnail), 30, "the favourite's thumbnail")

        # The text box lies in the message bar at the bottom of the 300-wide column.
        session.click_at(150, height - 50)
        session.type_text(NOTE)
        session.key("Return")
        session.wait_for(lambda: len(stored_notes(session)) == 1, 20, "the stored text note")
        session.screenshot("01-notebook")
        session.check_layout("the notebook", under=("favoriteView",))

        # Rows fill the column from under its 60-point title bar: the time row, then the image
        # (120 high, its picture's top-right corner 10 in from the row's and 40 from the edge).
        session.click_at(235, 60 + 35 + 30)
        session.wait_for(lambda: session.has_widget("btnCmdWL"), 20, "the favourite viewer")
        session.screenshot("02-favourite-viewer")

        status = session.stop_program()
        if status != 0:
            raise Failure("the program ended with status %d after its close" % status)
    finally:
        session.close()


def scenario(program, out):
    favourites(program, out)


if __name__ == "__main__":
    sys.exit(run(scenario, sys.argv))
