"""The account screen with the real program against the test web service (its address given
through the configuration file): the home screen's account button opens the login form; an
empty password is refused without a request; a wrong password is sent, with the fields in
order, and answered with a failure that keeps the form open; the right one logs in and closes
the screen; reopened, the screen shows the account view. Screenshots of each step are kept."""

import base64
import json
import os
import shutil
import subprocess
import sys

from harness import Failure, Session, run

PANEL = "login.csb"


class Service:
    """The test web service program (BV_SERVICE_STUB), steered through its standard input."""

    def __init__(self):
        stub = os.environ.get("BV_SERVICE_STUB")
        if not stub or not os.path.exists(stub):
            raise Failure("BV_SERVICE_STUB does not name the test web service")
        self.process = subprocess.Popen([stub], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        text=True)
        self.base = self.process.stdout.readline().strip()
        if not self.base.startswith("http://127.0.0.1:"):
            raise Failure("the test web service did not start")

    def queue(self, path, status, answer):
        body = base64.b64encode(json.dumps(answer, separators=(",", ":")).encode()).decode()
        self.process.stdin.write("queue %s %d %s\n" % (path, status, body))
        self.process.stdin.flush()

    def requests(self, path):
        self.process.stdin.write("requests\n")
        self.process.stdin.flush()
        found = []
        for line in iter(self.process.stdout.readline, ""):
            line = line.rstrip("\n")
            if line == ".":
                break
            method, where, body = line.split(" ", 2)
            if where == path:
                found.append(base64.b64decode(body).decode() if body != "-" else "")
        return found

    def close(self):
        self.process.stdin.close()
        self.process.wait(20)


def field(session, name):
    session.click(PANEL + "/" + name)
    # Keys typed before the program has handled the click reach it before the field takes text
    # input, and are lost; a widget dump round-trip puts the click's handling first.
    session.widgets()


def scenario(program, out):
    service = Service()
    session = Session(program, out, "account_1280x800", width=1280, height=800)
    shutil.rmtree(session.writable, ignore_errors=True)
    os.makedirs(session.writable)
    with open(os.path.join(session.writable, "brimvale.conf"), "w") as conf:
        conf.write("site_base=%s\n" % service.base)
    try:
        session.start_display()
        session.start_program()
        session.wait_for(lambda: session.has_widget("choosePath"), 20, "the data-folder chooser")
        session.click("goBack")
        session.wait_for(lambda: session.has_widget("logo"), 20, "the home screen")

        session.click("logo")
        session.wait_for(lambda: session.has_widget(PANEL), 20, "the account screen")
        session.screenshot("1-login-form")
        session.check_layout("login form", under=(PANEL,))

        field(session, "email")
        session.type_text("tester")
        session.click(PANEL + "/login")
        session.screenshot("2-empty-password")
        if service.requests("/lg/lg.php"):
            raise Failure("a login without a password was sent")

        field(session, "password")
        session.type_text("wrong")
        service.queue("/lg/lg.php", 200, {"Status": "1"})
        session.click(PANEL + "/login")
        session.wait_for(lambda: len(service.requests("/lg/lg.php")) == 1, 20, "the login")
        sent = json.loads(service.requests("/lg/lg.php")[0])
        if list(sent) != ["ismail", "nickname", "password", "loginTime", "isMobile"] or \
                sent["nickname"] != "tester" or sent["password"] != "wrong":
            raise Failure("the login carried %s" % sent)
        session.screenshot("3-refused")
        if not session.has_widget(PANEL):
            raise Failure("a refused login closed the account screen")

        field(session, "password")
        session.key("ctrl+a")
        for _ in range(8):
            session.key("BackSpace")
        session.type_text("secret")
        service.queue("/lg/lg.php", 200, {"Status": "0", "userid": "1001", "nickname": "Tess"})
        session.click(PANEL + "/login")
        session.wait_for(lambda: not session.has_widget(PANEL), 20, "the logged-in close")

        session.click("logo")
        session.wait_for(lambda: session.has_widget(PANEL + "/change"), 20, "the account view")
        session.screenshot("4-account-view")
        session.check_layout("account view", under=(PANEL,))
        status = session.stop_program()
        if status != 0:
            raise Failure("the program ended with status %s" % status)
    finally:
        session.close()
        service.close()


if __name__ == "__main__":
    sys.exit(run(scenario, sys.argv))
