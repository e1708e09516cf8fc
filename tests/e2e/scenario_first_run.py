"""First run: the data-folder chooser, a move of the library to a chosen folder, the home
screen; the next start goes straight to the home screen; the chooser and the home screen fit
the window at 1920x1080 and 1280x800."""

import os
import shutil
import sys

from harness import Failure, Session, run


def first_run(program, out):
    session = Session(program, out, "first_run_1920x1080")
    shutil.rmtree(session.writable, ignore_errors=True)
    library = os.path.join(session.out, "library") + "/"
    shutil.rmtree(library, ignore_errors=True)
    try:
        session.start_display()
        session.start_program("first")
        session.wait_for(lambda: session.has_widget("choosePath"), 20, "the data-folder chooser")
        session.screenshot("01-chooser")
        session.check_layout("the data-folder chooser")

        session.click("pathField")
        session.widgets()
        session.type_text(library)
        session.click("btnBegin")
        session.wait_for_text("status", lambda t: t.startswith("Dicom DB is moved to"), 30,
                              "the move of the library")
        session.screenshot("02-moved")
        if not os.path.isfile(os.path.join(library, "dicomDB")):
            raise Failure("the database file is not in the chosen folder " + library)
        if os.path.exists(os.path.join(session.writable, "qn", "dicom")):
            raise Failure("the old library folder was left behind")

        session.click("goBack")
        session.wait_for(lambda: not session.has_widget("choosePath"), 20, "the home screen")
        session.screenshot("03-home")
        session.check_layout("the home screen")
        session.stop_program_cleanly()

        # The next start shows the home screen at once, with the library where it was moved.
        session.start_program("second")
        session.wait_for(lambda: session.window_id() is not None, 20, "the window")
        if session.has_widget("choosePath"):
            raise Failure("the second start showed the data-folder chooser again")
        session.screenshot("04-second-start")
        status = session.stop_program()
        if status != 0:
            raise Failure("the second run ended with status %d" % status)
        if not os.path.isfile(os.path.join(library, "dicomDB")):
            raise Failure("the library is no longer in " + library)
    finally:
        session.close()


def small_window(program, out):
    session = Session(program, out, "first_run_1280x800", 1280, 800)
    shutil.rmtree(session.writable, ignore_errors=True)
    try:
        session.start_display()
        session.start_program()
        session.wait_for(lambda: session.has_widget("choosePath"), 20, "the data-folder chooser")
        session.screenshot("01-chooser")
        session.check_layout("the data-folder chooser")
        session.click("goBack")
        session.wait_for(lambda: not session.has_widget("choosePath"), 20, "the home screen")
        session.screenshot("02-home")
        session.check_layout("the home screen")
        session.stop_program_cleanly()
    finally:
        session.close()


def scenario(program, out):
    first_run(program, out)
    small_window(program, out)


if __name__ == "__main__":
    sys.exit(run(scenario, sys.argv))
