#!/usr/bin/python3
"""The report's page in a real browser: Debian's Chromium, headless, driven
over its DevTools pipe (file descriptors 3 and 4, no port, no extra
package). Asserts no console error, no request beyond the page's own file,
the headline figures on the page, that it prints on A4, and writes a
screenshot. The browser is started here and stopped by its process group
(its own pid), and the test checks that nothing of it is left.

    page_in_browser.py REPORT FIXTURE OUTDIR
"""
import json
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import base64

EXPECTED = {"hours-off": "361.8", "kwh": "39.4", "money": "11.83", "co2": "15.8",
            "idle-on": "257.8", "covered": "7", "never-off": "6"}


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


class Browser:
    def __init__(self, profile):
        binary = shutil.which("chromium")
        to_child_r, self.to_child = os.pipe()
        self.from_child, from_child_w = os.pipe()

        def pipes():
            os.dup2(to_child_r, 3)
            os.dup2(from_child_w, 4)

        self.proc = subprocess.Popen(
            [binary, "--headless=new", "--no-sandbox", "--disable-gpu", "--remote-debugging-pipe",
             "--user-data-dir=" + profile, "--no-first-run", "--no-default-browser-check",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--disable-extensions", "--hide-scrollbars", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            pass_fds=(3, 4), preexec_fn=pipes, start_new_session=True)
        os.close(to_child_r)
        os.close(from_child_w)
        self.buffer = b""
        self.next_id = 0
        self.events = []

    def send(self, method, params=None, session=None):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self.to_child, json.dumps(message).encode() + b"\0")
        return self.wait(lambda m: m.get("id") == self.next_id, method)

    def wait(self, condition, what, seconds=30):
        deadline = time.monotonic() + seconds
        while True:
            while b"\0" in self.buffer:
                raw, self.buffer = self.buffer.split(b"\0", 1)
                message = json.loads(raw)
                if "method" in message:
                    self.events.append(message)
                if condition(message):
                    if "error" in message:
                        fail(what + ": " + json.dumps(message["error"]))
                    return message
            left = deadline - time.monotonic()
            if left <= 0:
                fail("no answer from the browser to " + what)
            ready, _, _ = select.select([self.from_child], [], [], left)
            if ready:
                chunk = os.read(self.from_child, 1 << 20)
                if not chunk:
                    fail("the browser ended while waiting for " + what)
                self.buffer += chunk

    def stop(self):
        try:
            os.write(self.to_child, json.dumps({"id": 0, "method": "Browser.close"}).encode() + b"\0")
        except OSError:
            pass
        try:
            self.proc.wait(timeout=15)
        except subprocess.TimeoutExpired:
            os.killpg(self.proc.pid, signal.SIGTERM)
            self.proc.wait(timeout=15)
        # Its helpers (zygote, renderer, GPU) share its process group.
        deadline = time.monotonic() + 15
        while group_members(self.proc.pid):
            if time.monotonic() > deadline:
                os.killpg(self.proc.pid, signal.SIGKILL)
                fail("browser processes left behind: %s" % group_members(self.proc.pid))
            time.sleep(0.05)


def group_members(pgid):
    members = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as stat:
                    fields = stat.read().rsplit(")", 1)[1].split()
                if int(fields[2]) == pgid and fields[0] != "Z":
                    members.append(int(entry))
            except (OSError, IndexError, ValueError):
                pass
    return members


def main():
    report, fixture, outdir = sys.argv[1:4]
    if not shutil.which("chromium"):
        print("SKIP: chromium is not installed (scripts/deps test installs it)")
        return 77
    os.makedirs(outdir, exist_ok=True)
    work = tempfile.mkdtemp(prefix="dormix-page-")
    try:
        subprocess.run([fixture, os.path.join(work, "fleet"), "known"], check=True)
        page = os.path.join(outdir, "report.html")
        subprocess.run([report, "--from", "2026-11-02", "--to", "2026-11-15", "--out", page,
                        os.path.join(work, "fleet", "logs"), os.path.join(work, "fleet", "journal.json"),
                        os.path.join(work, "fleet", "events.xml")], check=True,
                       stderr=subprocess.DEVNULL)
        url = "file://" + os.path.abspath(page)
        browser = Browser(os.path.join(work, "profile"))
        try:
            check_page(browser, url, outdir)
        finally:
            browser.stop()
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("report page in chromium: passed")
    return 0


def check_page(browser, url, outdir):
    target = browser.send("Target.createTarget", {"url": "about:blank"})["result"]["targetId"]
    session = browser.send("Target.attachToTarget", {"targetId": target, "flatten": True})[
        "result"]["sessionId"]
    for domain in ("Page", "Runtime", "Log", "Network"):
        browser.send(domain + ".enable", session=session)
    browser.send("Emulation.setDeviceMetricsOverride",
                 {"width": 1000, "height": 1500, "deviceScaleFactor": 1, "mobile": False},
                 session=session)
    browser.send("Page.navigate", {"url": url}, session=session)
    browser.wait(lambda m: m.get("method") == "Page.loadEventFired", "the page's load")
    values = browser.send("Runtime.evaluate", {
        "expression": "JSON.stringify({figures: Object.fromEntries([...document.querySelectorAll("
                      "'.figure .value')].map(e => [e.id, e.textContent])), svgs: [...document."
                      "querySelectorAll('svg')].map(s => s.getBoundingClientRect().height), "
                      "scripts: document.scripts.length})",
        "returnByValue": True}, session=session)["result"]["result"]["value"]
    seen = json.loads(values)
    if seen["figures"] != EXPECTED:
        fail("headline figures %s, expected %s" % (seen["figures"], EXPECTED))
    if len(seen["svgs"]) != 4 or min(seen["svgs"]) < 50:
        fail("charts not drawn: heights %s" % seen["svgs"])
    if seen["scripts"]:
        fail("the page has a script")
    pdf = base64.b64decode(browser.send("Page.printToPDF", {
        "paperWidth": 8.27, "paperHeight": 11.69, "printBackground": True}, session=session)[
        "result"]["data"])
    pages = pdf.count(b"/Type /Page") - pdf.count(b"/Type /Pages")
    if not 2 <= pages <= 8:
        fail("printed on %d A4 pages" % pages)
    shot = browser.send("Page.captureScreenshot", {"format": "png", "clip": {
        "x": 0, "y": 0, "width": 1000, "height": 1500, "scale": 1}}, session=session)
    with open(os.path.join(outdir, "report.png"), "wb") as out:
        out.write(base64.b64decode(shot["result"]["data"]))
    errors = [e for e in browser.events if
              (e["method"] == "Runtime.consoleAPICalled" and e["params"]["type"] == "error") or
              e["method"] == "Runtime.exceptionThrown" or
              (e["method"] == "Log.entryAdded" and e["params"]["entry"]["level"] == "error")]
    if errors:
        fail("console errors: %s" % json.dumps(errors)[:2000])
    requests = [e["params"]["request"]["url"] for e in browser.events
                if e["method"] == "Network.requestWillBeSent"]
    if requests != [url]:
        fail("requests beyond the page itself: %s" % requests)


if __name__ == "__main__":
    sys.exit(main())
