"""The study list with the real program: touching the example patient on the home screen shows
its study title row and its series row with the series' thumbnails, made in the series folder,
beside the patient table on a wide window and as a screen of its own on a small one; opening
the series names it for the viewer screen, which says it is not available yet. Screenshots of
each step are kept."""

import glob
import os
import shutil
import sys

from harness import Failure, Session, run
from scenario_home import EXAMPLE, wait_for_patient


def texts(session, name):
    return [w.text for w in session.widgets() if w.name == name and w.text]


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

        # A wide window opens a touched row beside the table; a narrow one from the row's end.
        if width > 1800:
            row = [w for w in session.widgets() if w.name == "name" and w.text == EXAMPLE][0]
            session.click_at(*row.centre())
        else:
            session.click_at(*session.widget("patientRecord/open").centre())
        session.wait_for(lambda: any(t.endswith(" of 40") for t in texts(session, "imageDesc")),
                         30, "the series row of the 40 slices")
        def thumbnails():
            return glob.glob(os.path.join(session.writable, "**", "thrumb*"), recursive=True)
        # The job writes them one by one, each under a temporary name first.
        session.wait_for(lambda: len([t for t in thumbnails() if not t.endswith(".part")]) == 6,
                         30, "the six thumbnails of the 40 slices")
        session.wait_for(lambda: len(thumbnails()) == 6, 10, "the last temporary thumbnail")
        if not texts(session, "time"):
            raise Failure("the study has no title row with its date")
        session.screenshot("01-study-list")
        session.check_layout("the study list")

        # The right end of the series row opens the series.
        opener = [w for w in session.widgets() if w.path == "open"]
        if not opener:
            raise Failure("the series row has no open arrow")
        session.click_at(*opener[0].centre())
        session.screenshot("02-open-series")

        status = session.stop_program()
        if status != 0:
            raise Failure("the program ended with status %d after its close" % status)
    finally:
        session.close()


def scenario(program, out):
    study_list(program, out, 1920, 1080)
    study_list(program, out, 1280, 800)


if __name__ == "__main__":
    sys.exit(run(scenario, sys.argv))
