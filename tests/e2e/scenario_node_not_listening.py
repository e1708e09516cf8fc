"""A storage node whose port another program holds, with the real program: the home screen's
warning bar says the node is not running and why, the node screen's receive panel says the same,
and once the port is free a restart from the node screen brings the node up, answering DCMTK's
echoscu, and the warning goes. Screenshots of each step are kept."""

import shutil
import socket
import subprocess
import sys

from harness import Failure, Session, run

REFUSED = "The DICOM node is not running: cannot listen on port %d"


def texts(session, name):
    return [w.text for w in session.widgets() if w.name == name and w.text]


def scenario(program, out):
    if shutil.which("echoscu") is None:
        raise Failure("DCMTK's echoscu is needed")
    session = Session(program, out, "node_not_listening")
    shutil.rmtree(session.writable, ignore_errors=True)
    port = session.node_port
    holder = socket.socket()
    try:
        # Another program on the node's port, before the program starts.
        holder.bind(("", port))
        holder.listen(1)
        refused = REFUSED % port
        session.start_display()
        session.start_program()
        session.leave_data_folder_chooser()
        session.wait_for_text("wifiWarningText", lambda t: t.startswith(refused), 30,
                              "the home screen's warning that the node is not running")
        session.screenshot("01-home-warning")

        session.click("wifi")
        session.wait_for(lambda: session.has_widget("dcmUIReceive"), 20, "the DICOM node screen")
        session.click("dcmUIReceive")
        session.wait_for_text("dcmTxtState", lambda t: t.startswith(refused), 10,
                              "the receive panel's reason")
        session.screenshot("02-receive-not-running")

        # The other program goes; a restart from the node screen tries the port again.
        holder.close()
        session.click("dcmRestart")
        session.wait_for_text("dcmTxtState", lambda t: t == "Running", 30,
                              "the node to run after the restart")
        echo = subprocess.run(["echoscu", "-to", "10", "127.0.0.1", str(port)],
                              capture_output=True, text=True)
        if echo.returncode != 0:
            raise Failure("the restarted node does not answer echoscu: " + echo.stderr.strip())
        session.screenshot("03-receive-running")

        session.click("btn_back")
        session.wait_for(lambda: not session.has_widget("dcmUIReceive"), 10,
                         "the node screen to close")
        session.wait_for(lambda: not session.has_widget("wifiWarningText"), 20,
                         "the home screen's warning to go")
        session.screenshot("04-home-listening")
        session.stop_program_cleanly()
    finally:
        holder.close()
        session.close()


if __name__ == "__main__":
    sys.exit(run(scenario, sys.argv))
