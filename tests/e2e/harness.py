"""End-to-end harness: the real program in a virtual X display, driven with xdotool.

A scenario is a file scenario_*.py beside this one; CTest runs each as its own test with the
label "e2e", side by side with the others. Run one on its own with
    python3 tests/e2e/scenario_x.py PROGRAM OUTPUT_FOLDER
(PROGRAM the built brimvale, OUTPUT_FOLDER where its screenshots and logs go), or through CTest
with `ctest -R e2e_x`.

Each Session is a world of its own, so that scenarios run beside one another and beside any
other copy of the program:
    session = Session(program, out, "name", width, height)
    try:
        session.start_display()      # its own Xvfb, on a display number Xvfb picks
        session.start_program()      # its own writable folder and storage-node port
        ...                          # drive it (below)
        session.stop_program_cleanly()
    finally:
        session.close()              # on a failure: keeps failure.png, prints the log's tail

What a session offers:
    session.writable, session.node_port, session.out   its folder, its node's port, artefacts
    session.widgets(), widget(name), has_widget(name)  the widget dump of the shown screen
    session.viewers(), regions()                        the viewer screen's cells and regions
    session.click(name), click_at(x, y), type_text(t), key(k), xdo(...)   input
    session.wait_for(condition, seconds, what)         waits on a state, never on time
    session.wait_for_text(name, predicate, seconds, what)
    session.screenshot(label), check_layout(label), check_widgets(label, widgets)
Every wait is on a state the program shows (a widget in the dump, a row in its database, a file
on disk) and polls it; its bound is multiplied by BV_E2E_SLACK (3 by default) for busy machines.
A wait that times out raises Failure, which run() turns into the exit status.
"""

import os
import shutil
import signal
import socket
import subprocess
import sys
import time

import screenshot

SKIP = 77  # CTest's skip code, when a tool the harness needs is missing
# Every wait is this many times the time a scenario names: a machine busy with parallel builds
# and test suites starts windows and draws frames several times slower than an idle one.
SLACK = float(os.environ.get("BV_E2E_SLACK", "3"))


LOG_TAIL = 40  # lines of the program's log printed when a scenario fails


def free_port():
    """A TCP port on loopback that nothing listens on now."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Widget:
    def __init__(self, path, x, y, w, h, text=None):
        self.path, self.x, self.y, self.w, self.h, self.text = path, x, y, w, h, text
        self.name = path.rsplit("/", 1)[-1]

    def centre(self):
        return int(self.x + self.w / 2), int(self.y + self.h / 2)

    def __repr__(self):
        return "%s (%g, %g, %g x %g)" % (self.path, self.x, self.y, self.w, self.h)


class Viewer:
    """A cell of the viewer screen: its view type ("Slice", "Axial", "Sagittal", "Coronal",
    "Oblique", "VR", "MIP" or "None") and its rectangle in window pixels from the top left."""

    def __init__(self, kind, x, y, w, h):
        self.kind, self.x, self.y, self.w, self.h = kind, x, y, w, h

    def centre(self):
        return int(self.x + self.w / 2), int(self.y + self.h / 2)

    def __repr__(self):
        return "%s (%g, %g, %g x %g)" % (self.kind, self.x, self.y, self.w, self.h)


class Failure(Exception):
    pass


def require_tools():
    missing = [t for t in ("Xvfb", "xdotool", "xwd") if shutil.which(t) is None]
    if missing:
        print("skipped: missing " + ", ".join(missing))
        sys.exit(SKIP)


class Session:
    def __init__(self, program, out, name, width=1920, height=1080, writable=None,
                 node_port=None):
        self.program, self.name, self.width, self.height = program, name, width, height
        self.out = os.path.abspath(os.path.join(out, name))
        os.makedirs(self.out, exist_ok=True)
        self.writable = writable or os.path.join(self.out, "writable") + "/"
        self.node_port = node_port or free_port()
        self.dump_file = os.path.join(self.out, "widgets.txt")
        self.xvfb = None
        self.app = None
        self.display = None
        self.log = None
        self.log_path = None
        self.window = None
        self.cells, self.region_rects = [], []

    # Display and program
    def start_display(self):
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0",
             "%dx%dx24" % (self.width, self.height), "-nolisten", "tcp",
             # No auto-repeat: on a loaded machine xdotool can hold a key past the repeat
             # delay, and the program would read a doubled character.
             "-r"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        deadline = time.time() + 20
        while not number.endswith(b"\n") and time.time() < deadline:
            chunk = os.read(read, 16)
            if not chunk:
                break
            number += chunk
        os.close(read)
        if not number.strip():
            raise Failure("Xvfb did not start")
        self.display = ":" + number.decode().strip()

    def env(self):
        env = dict(os.environ)
        env.update(DISPLAY=self.display, BRIMVALE_WRITABLE_PATH=self.writable,
                   BRIMVALE_NODE_PORT=str(self.node_port), SDL_AUDIODRIVER="dummy",
                   LANG="en_US.UTF-8", LC_ALL="")
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def start_program(self, label="program"):
        os.makedirs(self.writable, exist_ok=True)
        self.log_path = os.path.join(self.out, label + ".log")
        self.log = open(self.log_path, "w")
        started = time.monotonic()
        self.app = subprocess.Popen([self.program, "--dump-widgets", self.dump_file],
                                    env=self.env(), stdout=self.log, stderr=subprocess.STDOUT)
        self.wait_for(lambda: self.window_id() is not None, 40, "the program's window")
        return time.monotonic() - started

    def window_id(self):
        if self.app is not None and self.app.poll() is not None:
            raise Failure("the program ended early with status %d" % self.app.returncode)
        found = self.xdo("search", "--onlyvisible", "--pid", str(self.app.pid), check=False)
        ids = found.split()
        return ids[0] if ids else None

    def stop_program(self, timeout=90):
        """Closes the program the way the window's close does and returns its exit status."""
        if self.app is None:
            return None
        self.app.send_signal(signal.SIGTERM)
        try:
            status = self.app.wait(timeout)
        except subprocess.TimeoutExpired:
            self.app.kill()
            self.app.wait()
            raise Failure("the program did not end within %d s of its close" % timeout)
        finally:
            self.log.close()
            self.log = None
        self.app = None
        return status

    def stop_program_cleanly(self):
        """stop_program, failing unless the program ends with status 0."""
        status = self.stop_program()
        if status != 0:
            raise Failure("the program ended with status %d after its close" % status)

    def close(self):
        """Ends what the session started. Called while an exception leaves the scenario, it
        first keeps a screenshot of the moment (failure.png) and prints the log's tail."""
        if sys.exc_info()[0] is not None:
            self.report_failure()
        if self.app is not None and self.app.poll() is None:
            self.app.kill()
            self.app.wait()
        if self.log is not None:
            self.log.close()
        if self.xvfb is not None:
            self.xvfb.terminate()
            self.xvfb.wait()
            self.xvfb = None

    def report_failure(self):
        if self.xvfb is not None and self.xvfb.poll() is None:
            try:
                print("%s: screenshot of the failure: %s" % (self.name,
                                                              self.screenshot("failure")))
            except (OSError, subprocess.CalledProcessError, ValueError) as error:
                print("%s: no screenshot of the failure: %s" % (self.name, error))
        self.report_threads()
        if self.log_path is None:
            return
        if self.log is not None:
            self.log.flush()
        with open(self.log_path, errors="replace") as log:
            tail = log.readlines()[-LOG_TAIL:]
        print("%s: the last %d lines of %s:" % (self.name, len(tail), self.log_path))
        sys.stdout.write("".join("    " + line for line in tail))
        sys.stdout.flush()

    def report_threads(self):
        """Where each thread of a program still running waits, kept in threads.txt: a program
        that stops answering names the place in the failure's report."""
        if self.app is None or self.app.poll() is not None:
            return
        lines = []
        tasks = "/proc/%d/task" % self.app.pid
        try:
            listed = sorted(os.listdir(tasks), key=int)
        except OSError:
            return  # ended meanwhile: its log says the rest
        for task in listed:
            fields = []
            for entry in ("comm", "wchan"):
                try:
                    with open(os.path.join(tasks, task, entry)) as source:
                        fields.append(source.read().strip() or "-")
                except OSError:
                    fields.append("?")
            lines.append("%s %s waits in %s\n" % (task, fields[0], fields[1]))
        summary = list(lines)
        if shutil.which("gdb") is not None:
            try:
                traced = subprocess.run(
                    ["gdb", "-p", str(self.app.pid), "-batch", "-ex", "thread apply all bt"],
                    capture_output=True, text=True, timeout=60)
                lines.append(traced.stdout)
            except subprocess.TimeoutExpired:
                lines.append("gdb did not answer within 60 s\n")
        path = os.path.join(self.out, "threads.txt")
        with open(path, "w") as out:
            out.writelines(lines)
        print("%s: the program's threads (stacks in %s):" % (self.name, path))
        sys.stdout.write("".join("    " + line for line in summary))

    # Input
    def xdo(self, *args, check=True):
        result = subprocess.run(["xdotool"] + list(args), env=self.env(), capture_output=True,
                                text=True)
        if check and result.returncode != 0:
            raise Failure("xdotool %s: %s" % (" ".join(args), result.stderr.strip()))
        return result.stdout

    def click_at(self, x, y):
        self.xdo("mousemove", "--sync", str(x), str(y))
        self.xdo("click", "1")

    def click(self, name):
        self.click_at(*self.widget(name).centre())

    def type_text(self, text):
        # Type only after the click that focused the field has been handled (a widget dump
        # round-trip): keys that reach the program first are lost to a field not yet taking text.
        self.xdo("type", "--delay", "20", text)

    def key(self, *keys):
        self.xdo("key", *keys)

    # The program's view of its screen
    def widgets(self):
        """The named widgets of the shown screen, read from a fresh dump."""
        if os.path.exists(self.dump_file):
            os.remove(self.dump_file)
        self.key("F12")
        self.wait_for(lambda: os.path.exists(self.dump_file), 10, "the widget dump")
        found, cells, regions, menus, sprites = [], [], [], [], []
        window = None
        with open(self.dump_file, encoding="utf-8") as dump:
            for line in dump:
                line = line.rstrip("\n")
                if line.startswith("window "):
                    _, w, h = line.split()
                    window = (float(w), float(h))
                elif line.startswith("viewer "):
                    _, kind, x, y, w, h = line.split(" ")
                    cells.append(Viewer(kind, float(x), float(y), float(w), float(h)))
                elif line.startswith("menu "):
                    menus.append(line.split(" ")[1])
                elif line.startswith("sprite "):
                    sprites.append(line.split(" ")[1])
                elif line.startswith("region "):
                    _, x, y, w, h = line.split(" ")
                    regions.append((float(x), float(y), float(w), float(h)))
                elif line.startswith("widget "):
                    head, _, text = line.partition("\t")
                    _, path, x, y, w, h = head.split(" ")
                    found.append(Widget(path, float(x), float(y), float(w), float(h),
                                        text if "\t" in line else None))
        self.window = window
        self.cells, self.region_rects = cells, regions
        self.menu_names, self.sprite_names = menus, sprites
        return found

    def menus(self):
        """The names of the open menus, from a fresh dump."""
        self.widgets()
        return self.menu_names

    def sprites(self):
        """The names of the shown named sprites (pictures), from a fresh dump."""
        self.widgets()
        return self.sprite_names

    def viewers(self):
        """The viewer screen's cells, top to bottom and left to right, from a fresh dump."""
        self.widgets()
        return sorted(self.cells, key=lambda v: (round(v.y), round(v.x)))

    def regions(self):
        """The viewer screen's regions (x, y, w, h), top to bottom and left to right, from a
        fresh dump."""
        self.widgets()
        return sorted(self.region_rects, key=lambda r: (round(r[1]), round(r[0])))

    def widget(self, name, widgets=None):
        for w in widgets if widgets is not None else self.widgets():
            if w.name == name or w.path == name:
                return w
        raise Failure("no widget named %s on screen" % name)

    def has_widget(self, name):
        return any(w.name == name or w.path == name for w in self.widgets())

    def wait_for(self, condition, timeout, what):
        """Polls the condition for `timeout` seconds times SLACK."""
        deadline = time.time() + timeout * SLACK
        while time.time() < deadline:
            if condition():
                return
            time.sleep(0.1)
        raise Failure("timed out waiting for " + what)

    def leave_data_folder_chooser(self):
        """Waits for the data-folder chooser of a first start and leaves it for the home
        screen with the library where it is."""
        self.wait_for(lambda: self.has_widget("choosePath"), 20, "the data-folder chooser")
        self.click("goBack")
        self.wait_for(lambda: not self.has_widget("choosePath"), 20, "the home screen")

    def wait_for_text(self, name, predicate, timeout, what):
        def holds():
            try:
                return predicate(self.widget(name).text or "")
            except Failure:
                return False
        self.wait_for(holds, timeout, what)

    def screenshot(self, label):
        path = os.path.join(self.out, label + ".png")
        screenshot.capture(self.display, path)
        return path

    def check_layout(self, label, ignore=(), under=None):
        """Every named widget lies inside the window, and none overlaps another that is not
        its ancestor or descendant. With `under` (top-level widget names), only the widgets
        below those are checked: a pop-up's, over a screen it covers. Returns the widgets."""
        widgets = [w for w in self.widgets() if w.name not in ignore and
                   (under is None or w.path.split("/", 1)[0] in under)]
        self.check_widgets(label, widgets)
        return widgets

    def check_widgets(self, label, widgets):
        """The given widgets lie inside the window, and none overlaps another that is not its
        ancestor or descendant."""
        width, height = self.window
        problems = []
        for w in widgets:
            if w.x < -0.5 or w.y < -0.5 or w.x + w.w > width + 0.5 or w.y + w.h > height + 0.5:
                problems.append("%s is cut by the %gx%g window" % (w, width, height))
        for i, a in enumerate(widgets):
            for b in widgets[i + 1:]:
                if a.path.startswith(b.path + "/") or b.path.startswith(a.path + "/"):
                    continue
                if (a.x < b.x + b.w - 0.5 and b.x < a.x + a.w - 0.5 and
                        a.y < b.y + b.h - 0.5 and b.y < a.y + a.h - 0.5):
                    problems.append("%s overlaps %s" % (a, b))
        if problems:
            raise Failure("%s at %dx%d:\n  " % (label, self.width, self.height) +
                          "\n  ".join(problems))

def run(scenario, argv):
    """Runs scenario(program, out) and turns failures into an exit status."""
    require_tools()
    if len(argv) != 3:
        print("usage: %s PROGRAM OUTPUT_FOLDER" % argv[0])
        return 2
    try:
        scenario(argv[1], argv[2])
    except Failure as failure:
        print("FAILED: %s" % failure)
        return 1
    print("passed")
    return 0
