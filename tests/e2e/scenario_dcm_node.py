"""The DICOM node screen with the real program: the home screen's node button opens it over the
selected example patient; it shows the known nodes with the add form, this workstation's address
and port, and the tasks; a node added by its address receives the example patient from a send,
DCMTK's storescp on loopback taking every file, and the task row ends in Done. Screenshots of
each panel are kept."""

import os
import shutil
import subprocess
import sys

from harness import Failure, Session, free_port, run
from scenario_home import EXAMPLE, highlighted_rows, wait_for_patient

EXAMPLE_FILES = 40


def screen_widgets(session, home_paths):
    """The widgets the node screen added over the home screen."""
    return [w for w in session.widgets() if w.path not in home_paths]


def check_screen_layout(session, home_paths, label):
    """The node screen's widgets lie inside the window and do not overlap one another; its
    backdrop "dcmNode.csb" holds the panels, which are drawn over it."""
    session.check_widgets(label, [w for w in screen_widgets(session, home_paths)
                                   if w.path != "dcmNode.csb"])


def replace_field(session, name, text):
    session.click(name)
    session.widgets()
    session.key("End")
    for _ in range(24):
        session.key("BackSpace")
    session.type_text(text)


def texts(session, name):
    return [w.text for w in session.widgets() if w.name == name and w.text]


def count_files(folder):
    return sum(len(files) for _, _, files in os.walk(folder))


def node_screen(program, out, width, height, send):
    session = Session(program, out, "dcm_node_%dx%d" % (width, height), width, height)
    shutil.rmtree(session.writable, ignore_errors=True)
    node_port = session.node_port
    storescp = None
    try:
        session.start_display()
        session.start_program()
        session.leave_data_folder_chooser()
        wait_for_patient(session, EXAMPLE, 60)

        # The selected patient becomes what the node screen sends.
        row = [w for w in session.widgets() if w.name == "name" and w.text == EXAMPLE][0]
        session.click_at(*row.centre())
        session.wait_for(lambda: highlighted_rows(session) == [EXAMPLE], 20,
                         "the example patient selected")
        if width > 1800:
            # The wide home screen shows the selected patient's study list beside the table.
            session.wait_for(lambda: any(t.endswith(" of %d" % EXAMPLE_FILES)
                                         for t in texts(session, "imageDesc")), 30,
                             "the study list of the example patient")
        home_paths = {w.path for w in session.widgets()}
        session.click("wifi")
        session.wait_for(lambda: session.has_widget("dcmUISend"), 20, "the DICOM node screen")
        if not session.has_widget("dcmNode_send"):
            raise Failure("the send bar is hidden although a patient was selected")
        session.screenshot("01-nodes")
        check_screen_layout(session, home_paths, "the node panel")

        session.click("dcmUIReceive")
        session.wait_for(lambda: texts(session, "dcmTxtIP"), 10, "this workstation's address")
        address = texts(session, "dcmTxtIP")[0]
        if address != "Check Wifi Status" and texts(session, "dcmTxtPort") != [str(node_port)]:
            raise Failure("the receive panel shows port %s, not the node's %d" %
                          (texts(session, "dcmTxtPort"), node_port))
        session.screenshot("02-receive")
        check_screen_layout(session, home_paths, "the receive panel")

        if send:
            received = os.path.join(session.out, "received")
            shutil.rmtree(received, ignore_errors=True)
            os.makedirs(received)
            peer_port = free_port()
            storescp = subprocess.Popen(["storescp", "-od", received, str(peer_port)],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            session.click("dcmUISend")
            session.wait_for(lambda: session.has_widget("dcmAddList"), 10, "the send panel")
            replace_field(session, "editIP", "127.0.0.1")
            replace_field(session, "editPort", str(peer_port))
            session.click("dcmAddList")
            session.wait_for(lambda: "Unknown" in texts(session, "name"), 10,
                             "the added node's row")
            added = [w for w in session.widgets()
                     if w.name == "name" and w.text == "Unknown" and w.path.startswith("dcmNode")]
            session.click_at(*added[0].centre())
            session.screenshot("03-node-added")
            session.click("dcmSend")
            session.wait_for(lambda: "Done" in texts(session, "ratio"), 60, "the send to end")
            session.wait_for(lambda: count_files(received) == EXAMPLE_FILES, 30,
                             "every file of the example patient at storescp")
            session.screenshot("04-sent")
            check_screen_layout(session, home_paths, "the task panel")
        else:
            session.click("dcmUISending")
            session.screenshot("03-tasks")
            check_screen_layout(session, home_paths, "the task panel")

        session.click("btn_back")
        session.wait_for(lambda: not session.has_widget("dcmUISend"), 10, "the screen to close")
        session.stop_program_cleanly()
    finally:
        if storescp is not None:
            storescp.kill()
            storescp.wait()
        session.close()


def scenario(program, out):
    if shutil.which("storescp") is None:
        raise Failure("DCMTK's storescp is needed")
    node_screen(program, out, 1920, 1080, True)
    node_screen(program, out, 1280, 800, False)


if __name__ == "__main__":
    sys.exit(run(scenario, sys.argv))
