"""The home screen with the real program: a first run lists the example patient; a series that
storescu sends to the program's storage node appears as a new patient row without a restart; a
zip archive chosen through the import button's file dialog adds another; the selected row is
highlighted and shown beside the table, and its delete selects the row in its place; the search
button's query screen finds a patient on an Orthanc and retrieves its series into the library.
Screenshots of each step are kept."""

import os
import shutil
import json
import socket
import subprocess
import sys
import time
import zipfile

import screenshot
from harness import Failure, Session, free_port, run

EXAMPLE = "EXAMPLE^PHANTOM"
SENT = "STORE^SENT"
ZIPPED = "ZIP^IMPORTED"
REMOTE = "REMOTE^RITA"


def write_series(folder, name, patient_id, count):
    """Writes `count` small CT slices of one series with dump2dcm; returns their paths."""
    os.makedirs(folder, exist_ok=True)
    root = "1.2.826.0.1.3680043.9.7781.%d" % (abs(hash(patient_id)) % 100000)
    paths = []
    for i in range(1, count + 1):
        pixels = "\\".join(str((x * 37 + i * 11) % 4096) for x in range(64))
        dump = "\n".join([
            "(0008,0016) UI =CTImageStorage",
            "(0008,0018) UI [%s.3.%d]" % (root, i),
            "(0008,0020) DA [20240102]",
            "(0008,0030) TM [101010]",
            "(0008,0060) CS [CT]",
            "(0010,0010) PN [%s]" % name,
            "(0010,0020) LO [%s]" % patient_id,
            "(0010,0030) DA [19700101]",
            "(0010,0040) CS [O]",
            "(0020,000d) UI [%s.1]" % root,
            "(0020,000e) UI [%s.2]" % root,
            "(0020,0010) SH [1]",
            "(0020,0011) IS [1]",
            "(0020,0013) IS [%d]" % i,
            "(0020,0032) DS [0\\0\\%d]" % i,
            "(0020,0037) DS [1\\0\\0\\0\\1\\0]",
            "(0028,0002) US 1",
            "(0028,0004) CS [MONOCHROME2]",
            "(0028,0010) US 8",
            "(0028,0011) US 8",
            "(0028,0030) DS [1\\1]",
            "(0028,0100) US 16",
            "(0028,0101) US 12",
            "(0028,0102) US 11",
            "(0028,0103) US 0",
            "(7fe0,0010) OW " + pixels,
        ]) + "\n"
        text = os.path.join(folder, "slice%d.txt" % i)
        with open(text, "w") as out:
            out.write(dump)
        path = os.path.join(folder, "slice%d.dcm" % i)
        subprocess.run(["dump2dcm", "+te", text, path], check=True, capture_output=True)
        os.remove(text)
        paths.append(path)
    return paths


def row_names(session):
    """The patient names of the rows, top row first."""
    rows = [w for w in session.widgets() if w.name == "name" and w.text]
    return [w.text for w in sorted(rows, key=lambda w: w.y)]


def choose_in_dialog(session, path):
    """Types `path` into the desktop's file dialog, which holds the program until it closes."""
    found = []

    def dialog_shown():
        found[:] = session.xdo("search", "--onlyvisible", "--class", "zenity",
                               check=False).split()
        return bool(found)

    session.wait_for(dialog_shown, 30, "the file dialog")
    # A dialog still being built on a busy machine may drop keys: type the path again until
    # it closes.
    for attempt in range(3):
        dialog = found[0]
        session.xdo("windowfocus", "--sync", dialog, check=False)
        session.xdo("key", "--window", dialog, "ctrl+l", check=False)
        session.xdo("key", "--window", dialog, "ctrl+a", check=False)
        session.xdo("type", "--window", dialog, "--delay", "20", path, check=False)
        session.xdo("key", "--window", dialog, "Return", check=False)
        try:
            session.wait_for(lambda: not dialog_shown(), 10, "the file dialog to close")
            return
        except Failure:
            if attempt == 2:
                raise


def highlighted_rows(session):
    """The patient names of the home screen's rows drawn with the selection's yellow."""
    _, _, pixels = screenshot.capture(session.display, os.path.join(session.out, "probe.png"))
    names = []
    widgets = session.widgets()
    for record in [w for w in widgets if w.path == "patientRecord"]:
        # A point of the row's top band, clear of its texts.
        x, y = int(record.x + record.w * 0.45), int(record.y + 4)
        r, g, b = pixels[y][3 * x:3 * x + 3]
        if r - b > 25 and g - b > 25:
            names += [w.text for w in widgets if w.path == "patientRecord/name" and
                      record.y <= w.y < record.y + record.h]
    return names


def wait_for_patient(session, name, timeout):
    session.wait_for(lambda: name in row_names(session), timeout, "the patient row " + name)


def home(program, out):
    if shutil.which("storescu") is None or shutil.which("dump2dcm") is None:
        raise Failure("DCMTK's storescu and dump2dcm are needed")
    session = Session(program, out, "home_1920x1080")
    shutil.rmtree(session.writable, ignore_errors=True)
    try:
        session.start_display()
        session.start_program()
        session.leave_data_folder_chooser()
        wait_for_patient(session, EXAMPLE, 60)
        session.screenshot("01-home-example")
        session.check_layout("the home screen with the example patient")

        # A series sent to the running program's node becomes a row without a restart.
        sent = write_series(os.path.join(session.out, "sent"), SENT, "E2E-SENT-1", 3)
        result = subprocess.run(["storescu", "-aec", "brimvale", "127.0.0.1",
                                 str(session.node_port)] + sent,
                                capture_output=True, text=True)
        if result.returncode != 0:
            raise Failure("storescu failed: " + result.stderr.strip())
        wait_for_patient(session, SENT, 30)
        names = row_names(session)
        if names[0] != SENT:
            raise Failure("the received patient is not the top row: %s" % names)
        session.screenshot("02-received")

        # A zip archive chosen in the import dialog adds one more patient.
        zipped = write_series(os.path.join(session.out, "zipped", "Series1"), ZIPPED,
                              "E2E-ZIP-1", 2)
        archive = os.path.join(session.out, "study.zip")
        with zipfile.ZipFile(archive, "w") as out_zip:
            for path in zipped:
                out_zip.write(path, os.path.join("Series1", os.path.basename(path)))
        if shutil.which("zenity") is None:
            raise Failure("zenity is needed for the import dialog")
        session.click("importImage")
        choose_in_dialog(session, archive)
        wait_for_patient(session, ZIPPED, 60)
        session.screenshot("03-zip-imported")
        if sorted(row_names(session)) != sorted([EXAMPLE, SENT, ZIPPED]):
            raise Failure("the rows are %s" % row_names(session))
        session.check_layout("the home screen with three patients")

        # The selected row is the patient beside the table; a delete acts on it and selects
        # the row that takes its place.
        def panel_images():
            return [w.text for w in session.widgets() if w.name == "imageDesc" and w.text]

        row = [w for w in session.widgets() if w.name == "name" and w.text == SENT][0]
        session.click_at(*row.centre())
        session.wait_for(lambda: any(t.endswith(" of 3") for t in panel_images()), 30,
                         "the sent patient beside the table")
        if highlighted_rows(session) != [SENT]:
            raise Failure("the touched row is not the highlighted one: %s" %
                          highlighted_rows(session))
        session.click("btnDel")
        session.wait_for(lambda: SENT not in row_names(session), 20, "the deleted row to go")
        if sorted(row_names(session)) != sorted([EXAMPLE, ZIPPED]):
            raise Failure("the delete took other rows: %s" % row_names(session))
        session.wait_for(lambda: any(t.endswith(" of 40") for t in panel_images()), 30,
                         "the patient in the deleted row's place beside the table")
        if highlighted_rows(session) != [EXAMPLE]:
            raise Failure("the row in the deleted one's place is not highlighted: %s" %
                          highlighted_rows(session))
        session.screenshot("04-deleted")
        session.stop_program_cleanly()
    finally:
        session.close()


def start_orthanc(folder):
    """An Orthanc on a free loopback port with its storage in `folder`; returns (process, port)."""
    if shutil.which("Orthanc") is None:
        raise Failure("Orthanc is needed for the query screen")
    # A fresh archive: the studies of earlier runs would answer too.
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    port = free_port()
    config = os.path.join(folder, "config.json")
    with open(config, "w") as out:
        json.dump({"Name": "e2e", "DicomAet": "ORTHANC", "DicomPort": port,
                   "HttpPort": free_port(), "HttpServerEnabled": False,
                   "RemoteAccessAllowed": False,
                   "StorageDirectory": os.path.join(folder, "storage"),
                   "IndexDirectory": os.path.join(folder, "index"), "Plugins": [],
                   "DicomCheckCalledAet": False, "DicomAlwaysAllowEcho": True,
                   "DicomAlwaysAllowStore": True, "DicomAlwaysAllowFind": True,
                   "DicomAlwaysAllowGet": True}, out)
    log = open(os.path.join(folder, "orthanc.log"), "w")
    process = subprocess.Popen(["Orthanc", config], stdout=log, stderr=subprocess.STDOUT)
    deadline = time.time() + 30
    while time.time() < deadline:
        with socket.socket() as probe:
            if probe.connect_ex(("127.0.0.1", port)) == 0:
                return process, port
        time.sleep(0.1)
    process.kill()
    process.wait()
    raise Failure("Orthanc did not start")


def type_into(session, field, text):
    session.click(field)
    session.widgets()
    session.type_text(text)


def remote_search(session):
    """Opens the query screen from the home screen, finds REMOTE on an Orthanc and retrieves
    its series: the patient then stands in the home screen's list."""
    orthanc, port = start_orthanc(os.path.join(session.out, "orthanc"))
    try:
        sent = write_series(os.path.join(session.out, "remote"), REMOTE, "E2E-REMOTE-1", 3)
        result = subprocess.run(["storescu", "-aec", "ORTHANC", "127.0.0.1", str(port)] + sent,
                                capture_output=True, text=True)
        if result.returncode != 0:
            raise Failure("storescu to Orthanc failed: " + result.stderr.strip())
        session.click("search")
        session.wait_for(lambda: session.has_widget("btnSearch"), 20, "the query screen")
        session.screenshot("02-query-screen")
        # The help stands in the empty list.
        session.check_layout("the empty query screen", ignore=("dcmFindList",),
                             under=("dcmFind.csb",))
        type_into(session, "editIP", "127.0.0.1")
        type_into(session, "editPort", str(port))
        type_into(session, "editTitle", "ORTHANC")
        type_into(session, "editPatient", "REMOTE")
        session.click("btnSearch")
        session.wait_for_text("modality", lambda text: text == "CT", 30, "the series row")
        session.screenshot("03-query-answers")
        session.check_layout("the query screen with answers", under=("dcmFind.csb", "dcmFindList"))
        # The retrieval goes on in the background once the screen is closed.
        session.click("btnDownload")
        session.click("btn_back")
        session.wait_for(lambda: not session.has_widget("btnSearch"), 20, "the home screen")
        wait_for_patient(session, REMOTE, 60)
        session.screenshot("04-retrieved")
    finally:
        orthanc.terminate()
        orthanc.wait()


def small_window(program, out):
    session = Session(program, out, "home_1280x800", 1280, 800)
    shutil.rmtree(session.writable, ignore_errors=True)
    try:
        session.start_display()
        session.start_program()
        session.leave_data_folder_chooser()
        wait_for_patient(session, EXAMPLE, 60)
        session.screenshot("01-home-example")
        session.check_layout("the home screen with the example patient")
        remote_search(session)
        session.stop_program_cleanly()
    finally:
        session.close()


def scenario(program, out):
    home(program, out)
    small_window(program, out)


if __name__ == "__main__":
    sys.exit(run(scenario, sys.argv))
