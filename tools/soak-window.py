#!/usr/bin/env python3
"""Soak test of the window: random user bursts against zelk-calculator under Xvfb.

Starts its own Xvfb (the server picks a free display through -displayfd)
and its own window, then for --minutes sends random bursts of typed keys,
clicks on the window's controls and anywhere in its client area (right
clicks too), pastes of random text put on the clipboard with xclip, menu
commands through the Alt accelerators, and precision changes through the
precision dialog (a value from 1 to 6000 accepted, a bad value refused, or
Cancel). Every dialog left open (About, the keys page, the precision
dialog, its refusal, the long-operation question, context menus) is
dismissed after the burst. Then it checks that

  1. the process is alive: any exit, by a signal or not, fails the soak;
  2. the window answers Ctrl+C within --copy-limit seconds: the clipboard
     gets a sentinel, Ctrl+C goes to the window, and the clipboard is polled
     until it holds something else;
  3. its resident memory (VmRSS) stays bounded: no sample over --rss-cap MB,
     and the largest sample of the last quarter of the run no more than 1.5
     times the largest of the second quarter plus 32 MB.

Copy while busy: the window copies the text it shows on its own thread and
never waits for the worker (CalculatorDialog::copy), so a running
computation does not hold Ctrl+C up and the check does not press Escape
first (Escape is C, which cancels a running key action and what waits
behind it before it clears). What does hold Ctrl+C up is a modal dialog, above all the
"may take a very long time" question that a computation raises after ten
seconds: when a copy goes unanswered and a dialog is found open, the dialog
is answered with Escape (No, which cancels the computation, as a user
would) and the check is made again; only the second try counts.

File > Quit is never sent, and random clicks keep off the menu bar so that
no click lands on it.

    tools/soak-window.py [--minutes 10] [--app build/zelk-calculator] [--seed 1] [--json FILE]

Prints a summary; exit status 0 only if every check passed.
"""

import argparse
import collections
import json
import os
import random
import re
import select
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SENTINEL = "soak-window-sentinel"
TITLE = "ZELK Calculator"

# Keysyms for xdotool, in groups with weights: the character table of
# calc/keys.cpp (digits, operators, the letters of functions), the editing
# keys and the accelerators of ui/accelerators.cpp. Left and Right are left
# out: in an open popup they walk the menu bar to File, where Return quits.
KEYS = [
    (40, list("0123456789")),
    (20, ["plus", "minus", "asterisk", "slash", "equal", "parenleft", "parenright", "comma",
          "period"]),
    (12, list("abcdefxylnsotpihmr") + ["X", "S", "I"]),
    (4, ["percent", "exclam", "quotedbl", "numbersign", "ampersand", "grave", "asciicircum",
         "asciitilde", "less", "semicolon"]),
    (8, ["Escape", "Delete", "BackSpace", "Return", "KP_Enter"]),
    (4, ["F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F12"]),
    (4, ["Up", "Down", "Prior", "Next", "space", "Tab", "ctrl+g", "ctrl+l", "ctrl+r", "ctrl+m",
         "ctrl+p", "KP_7", "KP_Add", "KP_Divide"]),
]

# Menu commands (ui/menus.cpp). The View letters of both shapes of the popup
# are sent in either radix: one that the popup shown lacks leaves it open.
MENU = [
    ("View>Hex", "alt+v h"), ("View>Dec", "alt+v d"), ("View>Oct", "alt+v o"),
    ("View>Bin", "alt+v b"), ("View>Degrees", "alt+v e"), ("View>Radians/Dword", "alt+v r"),
    ("View>Grads", "alt+v g"), ("View>Qword", "alt+v q"), ("View>Word", "alt+v w"),
    ("View>Byte", "alt+v y"), ("View>Digit grouping", "alt+v i"), ("Edit>Copy", "alt+e Return"),
    ("Edit>Paste", "alt+e Down Return"), ("Help>Keys", "alt+h k"), ("Help>About", "alt+h a"),
    ("F1", "F1"),
]

BAD_PRECISIONS = ["0", "6001", "-5", "abc", "", "99999999999999", "12x", " 7 8"]


def pastetext(rng):
    """Text to paste: numbers in various styles, expressions, garbage, long numbers."""
    digits = lambda n: "".join(rng.choice("0123456789") for _ in range(n))  # noqa: E731
    kind = rng.randrange(10)
    if kind == 0:
        return digits(rng.randint(1, 40))
    if kind == 1:
        return "%s%s%s%s" % (rng.choice(["", "-", "+"]), digits(rng.randint(1, 20)),
                             rng.choice(".,"), digits(rng.randint(0, 30)))
    if kind == 2:
        sep = rng.choice([",", " ", "'", "_", "."])
        return sep.join(digits(3) for _ in range(rng.randint(1, 6))) + rng.choice(["", ".25", ",5"])
    if kind == 3:
        return "%s.%se%s%d" % (digits(1), digits(rng.randint(0, 20)), rng.choice(["", "-", "+"]),
                               rng.randint(0, 9999))
    if kind == 4:
        return rng.choice(["0x", "0b", "0o", "0X"]) + "".join(
            rng.choice("0123456789abcdefABCDEF") for _ in range(rng.randint(1, 20)))
    if kind == 5:
        ops = "+-*/"
        return "".join(digits(rng.randint(1, 6)) + rng.choice(ops) for _ in range(rng.randint(1, 6))) \
            + digits(2) + rng.choice(["=", "", ")", "\n"])
    if kind == 6:
        alphabet = "".join(map(chr, range(32, 127))) + "\t\n\r\u00a0\u2212\u00d7\u00f7\u03c0\u00a7\u20ac"
        return "".join(rng.choice(alphabet) for _ in range(rng.randint(1, 200)))
    if kind == 7:
        return rng.choice(["", " ", "\n", "-", ".", "e", "1e", "--1", "1..2", "\u00ff", "\ufeff1"])
    if kind == 8:
        return digits(rng.choice([500, 6000, 20000, 100000]))
    return digits(rng.randint(1, 3000)) + "." + digits(rng.randint(1, 3000))


def abbreviate(text, n=40):
    text = text.encode("unicode_escape").decode()
    return text if len(text) <= n else "%s...(%d chars)" % (text[:n], len(text))


def templatecontrols(path):
    """The controls of ui/dialogtemplate.cpp as (name, x, y, width, height) in
    dialog units, with the template's size; ([], 0, 0) when unreadable."""
    try:
        with open(os.path.join(path, "dialogtemplate.cpp")) as f:
            source = f.read()
        with open(os.path.join(path, "include", "ui", "dialogtemplate.h")) as f:
            header = f.read()
        width = int(re.search(r"templatewidth\s*=\s*(\d+)", header).group(1))
        height = int(re.search(r"templateheight\s*=\s*(\d+)", header).group(1))
    except (OSError, AttributeError):
        return [], 0, 0
    pattern = r"\{(key::\w+|displayid),\s*(?:pushbutton|radiobutton|checkbox|display),\s*" \
              r"(\d+),\s*(\d+),\s*(\d+),\s*(\d+)\}"
    controls = [(m.group(1).replace("key::", ""), *map(int, m.groups()[1:]))
                for m in re.finditer(pattern, source)]
    return controls, width, height


class Soak:
    def __init__(self, args, tmp):
        self.args, self.tmp = args, tmp
        self.rng = random.Random(args.seed)
        self.counts = collections.Counter()
        self.latencies, self.rss, self.failures = [], [], []
        self.log = collections.deque(maxlen=40)
        self.logfile = open(args.log, "w") if args.log else None
        self.clippers, self.xvfb, self.app = [], None, None
        self.start = time.monotonic()
        self.seen = set()

    # -- processes -----------------------------------------------------------------

    def startx(self):
        r, w = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=open(os.path.join(self.tmp, "xvfb.log"), "w"))
        os.close(w)
        number = b""
        while not number.endswith(b"\n"):
            if not select.select([r], [], [], 15)[0] or self.xvfb.poll() is not None:
                raise SystemExit("soak-window: Xvfb did not start")
            number += os.read(r, 16)
        os.close(r)
        runtime = os.path.join(self.tmp, "runtime")
        os.mkdir(runtime, 0o700)
        self.env = dict(os.environ, DISPLAY=":" + number.decode().strip(), QT_QPA_PLATFORM="xcb",
                        XDG_RUNTIME_DIR=runtime)
        self.env.pop("WAYLAND_DISPLAY", None)

    def startapp(self):
        self.applog = os.path.join(self.tmp, "app.log")
        self.app = subprocess.Popen([self.args.app], env=self.env, stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=open(self.applog, "w"))
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline and self.app.poll() is None:
            found = self.xdo("search", "--onlyvisible", "--pid", str(self.app.pid), "--name",
                             "^%s$" % TITLE).split()
            if found:
                self.main = found[0]
                geometry = dict(line.split("=") for line in
                                self.xdo("getwindowgeometry", "--shell", self.main).split())
                self.width, self.height = int(geometry["WIDTH"]), int(geometry["HEIGHT"])
                time.sleep(0.5)
                # What a search by process finds besides the window before any
                # dialog can be open (the root window among them) is no dialog.
                self.ignore = {self.main}
                self.ignore |= set(self.dialogs())
                return
            time.sleep(0.1)
        raise SystemExit("soak-window: the window did not show")

    def stop(self):
        for p in [self.app] + self.clippers + [self.xvfb]:
            if p is not None and p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()

    def alive(self):
        code = self.app.poll()
        if code is None:
            return True
        if self.counts["crashes"]:
            return False
        how = "killed by signal %d" % -code if code < 0 else "exited with status %d" % code
        self.counts["crashes"] += 1
        self.fail("the window %s" % how)
        with open(self.applog, errors="replace") as f:
            tail = f.read()[-2000:]
        if tail.strip():
            print("soak-window: the window's last output:\n" + tail, file=sys.stderr)
        return False

    # -- X ---------------------------------------------------------------------------

    def xdo(self, *args, timeout=10):
        try:
            r = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                               timeout=timeout)
            return r.stdout
        except subprocess.TimeoutExpired:
            self.note("xdotool %s timed out" % " ".join(args))
            return ""

    def setclipboard(self, text):
        """Puts text on the clipboard with an xclip kept in the foreground (it
        ends by itself when another owner takes the clipboard) and waits until
        it owns the selection."""
        self.clippers = [p for p in self.clippers if p.poll() is None]
        self.counts["clipboard"] += 1
        errors = os.path.join(self.tmp, "xclip%d.log" % self.counts["clipboard"])
        with open(errors, "w") as err:
            p = subprocess.Popen(["xclip", "-selection", "clipboard", "-quiet", "-i"], env=self.env,
                                 stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=err)
        self.clippers.append(p)
        p.stdin.write(text.encode("utf-8", "replace"))
        p.stdin.close()
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline and p.poll() is None:
            with open(errors) as f:
                if "Waiting" in f.read():
                    break
            time.sleep(0.005)
        os.remove(errors)

    def readclipboard(self):
        try:
            r = subprocess.run(["xclip", "-selection", "clipboard", "-o"], env=self.env,
                               capture_output=True, timeout=2)
        except subprocess.TimeoutExpired:
            return None
        return r.stdout.decode("utf-8", "replace") if r.returncode == 0 else None

    def dialogs(self):
        """The visible windows of the process other than the main one: dialogs,
        message boxes, popup menus, tooltips."""
        found = self.xdo("search", "--onlyvisible", "--pid", str(self.app.pid), "").split()
        return sorted((w for w in found if w not in self.ignore), key=int)

    def dismiss(self):
        """Closes every dialog, newest first: Escape, then Return when Escape
        does not close it. False when one stays open."""
        self.xdo("mousemove", "0", "0")  # no tooltip comes up meanwhile
        for attempt in range(30):
            open_ = self.dialogs()
            if not open_:
                self.xdo("windowfocus", self.main)
                return True
            window = open_[-1]
            if window not in self.seen:
                self.seen.add(window)
                self.counts["dialogs dismissed"] += 1
                self.note("dismiss %s" % (self.xdo("getwindowname", window).strip() or "popup"))
            self.xdo("windowfocus", window)
            self.xdo("key", "Escape" if attempt < 20 else "Return")
            time.sleep(0.05 if attempt < 5 else 0.3)
            if not self.alive():
                return False
        names = [self.xdo("getwindowname", w).strip() for w in self.dialogs()]
        self.fail("a dialog would not close: %s" % ", ".join(names))
        return False

    # -- actions ---------------------------------------------------------------------

    def note(self, text):
        line = "%8.2f %s" % (time.monotonic() - self.start, text)
        self.log.append(line)
        if self.logfile:
            print(line, file=self.logfile, flush=True)

    def fail(self, text):
        self.failures.append("%.1f s: %s" % (time.monotonic() - self.start, text))
        self.note("FAIL " + text)

    def keys(self):
        names = []
        for _ in range(self.rng.randint(1, 25)):
            group = self.rng.choices([g for _, g in KEYS], [w for w, _ in KEYS])[0]
            names.append(self.rng.choice(group))
        delay = str(self.rng.choice([5, 20, 40, 80]))
        self.note("keys (%s ms) %s" % (delay, " ".join(names)))
        self.xdo("key", "--delay", delay, *names)
        self.counts["keys"] += len(names)

    def controlpoint(self):
        """A click point: a control's centre, near it, or anywhere below the menu bar."""
        if self.controls and self.rng.random() < 0.8:
            name, x, y, w, h = self.rng.choice(self.controls)
            jx, jy = self.rng.uniform(-0.3, 0.3) * w, self.rng.uniform(-0.3, 0.3) * h
            return name, round((x + w / 2 + jx) * self.ux), round(self.top + (y + h / 2 + jy) * self.uy)
        return "anywhere", self.rng.randrange(self.width), self.rng.randrange(self.top, self.height)

    def click(self, name=None, button="1"):
        if name is None:
            name, x, y = self.controlpoint()
        else:
            _, cx, cy, w, h = next(c for c in self.controls if c[0] == name)
            x, y = round((cx + w / 2) * self.ux), round(self.top + (cy + h / 2) * self.uy)
        self.xdo("mousemove", "--window", self.main, str(x), str(y), "click", button)
        return "%s(%d,%d)" % (name, x, y)

    def clicks(self):
        done = []
        for _ in range(self.rng.randint(1, 12)):
            button = self.rng.choices(["1", "3"], [92, 8])[0]
            done.append(("right " if button == "3" else "") + self.click(button=button))
            time.sleep(self.rng.choice([0, 0.02, 0.1]))
        self.note("clicks " + " ".join(done))
        self.counts["clicks"] += len(done)

    def paste(self):
        text = pastetext(self.rng)
        self.setclipboard(text)
        how = self.rng.choices(["ctrl+v", "alt+e Down Return"], [85, 15])[0]
        self.note("paste %r via %s" % (abbreviate(text), how))
        self.xdo("key", "--delay", "100", *how.split())
        self.counts["pastes"] += 1

    def menu(self):
        name, keys = self.rng.choice(MENU)
        self.note("menu " + name)
        self.xdo("key", "--delay", "120", *keys.split())
        self.counts["menu commands"] += 1

    def precision(self):
        how = self.rng.choice(["ctrl+d", "alt+o p"])
        self.xdo("key", "--delay", "120", *how.split())
        deadline = time.monotonic() + 1.5
        dialog = None
        while dialog is None and time.monotonic() < deadline:
            dialog = next((w for w in self.dialogs()
                           if self.xdo("getwindowname", w).strip() == "Precision"), None)
            time.sleep(0.05)
        if dialog is None:
            self.note("precision via %s: no dialog (busy or blocked)" % how)
            self.counts["precision refused"] += 1
            return
        self.counts["precision dialogs"] += 1
        choice = self.rng.choices(["accept", "bad", "cancel"], [70, 10, 20])[0]
        if choice == "accept":
            value = str(self.rng.choice([self.rng.randint(1, 6000),
                                         round(10 ** self.rng.uniform(0, 3.78))]))
        else:
            value = self.rng.choice(BAD_PRECISIONS)
        self.note("precision via %s: %s %r" % (how, choice, value))
        self.xdo("windowfocus", "--sync", dialog, timeout=3)
        if value:
            self.xdo("type", "--delay", "10", value)
        else:
            self.xdo("key", "BackSpace")
        self.xdo("key", "Escape" if choice == "cancel" else "Return")
        deadline = time.monotonic() + 2
        while time.monotonic() < deadline and dialog in self.dialogs():
            time.sleep(0.05)
        if choice == "accept" and dialog not in self.dialogs():
            self.counts["precision changes"] += 1

    # -- checks ----------------------------------------------------------------------

    def copy(self):
        """Seconds until the window's copy reaches the clipboard, or None."""
        for attempt in (1, 2):
            self.setclipboard(SENTINEL)
            self.xdo("windowfocus", self.main)
            # From the start of xdotool to the end of the read that sees the
            # copy: a few milliseconds of the tools' own start-up included.
            start = time.monotonic()
            self.xdo("key", "--delay", "0", "ctrl+c")
            while time.monotonic() - start < max(2.0, 4 * self.args.copy_limit):
                text = self.readclipboard()
                if text is not None and text != SENTINEL:
                    return time.monotonic() - start, text
                time.sleep(0.01)
            if attempt == 1 and self.dialogs():
                self.note("copy blocked by a dialog: dismissing and trying again")
                self.counts["copy retries"] += 1
                if not self.dismiss():
                    return None, None
        return None, None

    def check(self):
        if not self.alive() or not self.dismiss():
            return False
        latency, text = self.copy()
        self.counts["copy checks"] += 1
        if latency is None:
            self.fail("no answer to Ctrl+C")
            return self.alive()
        self.latencies.append(latency)
        if latency > self.args.copy_limit:
            self.fail("Ctrl+C answered in %.0f ms (display %r)" % (latency * 1000, abbreviate(text)))
        rss = self.sample()
        if rss is not None and rss > self.args.rss_cap * 1024:
            self.fail("resident memory %.0f MB over the cap of %d MB" % (rss / 1024, self.args.rss_cap))
            return False
        return self.alive()

    def sample(self):
        try:
            with open("/proc/%d/status" % self.app.pid) as f:
                rss = int(re.search(r"VmRSS:\s*(\d+)", f.read()).group(1))
        except (OSError, AttributeError):
            return None
        self.rss.append(rss)
        return rss

    def calibrate(self):
        """Finds where the template's controls are: the client area is the
        window's width and sits under the menu bar, whose height is guessed
        and then tried until clicking 1 + 2 = shows 3."""
        self.controls, tw, th = templatecontrols(os.path.join(HERE, "..", "ui"))
        self.top = round(self.height * 0.05)
        if not self.controls:
            print("soak-window: ui/dialogtemplate.cpp unreadable: random clicks only")
            return
        self.ux = self.width / tw
        guess = round(self.height - th * (self.height - 4) / (th + 8))
        for top in [guess] + [t for t in range(8, 60, 3) if t != guess]:
            self.top, self.uy = top, (self.height - top) / th
            self.xdo("key", "Escape")
            for name in ["digit1", "add", "digit2", "equals"]:
                self.click(name)
            latency, text = self.copy()
            if text is not None and text.strip() == "3":
                self.xdo("key", "Escape")
                self.note("calibrated: menu bar %d px, %.2f x %.2f px a unit" % (top, self.ux, self.uy))
                return
        print("soak-window: clicks on 1 + 2 = never showed 3: random clicks only")
        self.controls, self.top = [], round(self.height * 0.05)

    def run(self):
        self.startx()
        self.startapp()
        self.calibrate()
        self.sample()
        deadline = self.start + self.args.minutes * 60
        actions = [(40, self.keys), (25, self.clicks), (12, self.paste), (15, self.menu),
                   (8, self.precision)]
        while time.monotonic() < deadline:
            self.counts["bursts"] += 1
            self.xdo("windowfocus", self.main)
            for _ in range(self.rng.randint(1, 4)):
                self.rng.choices([a for _, a in actions], [w for w, _ in actions])[0]()
                time.sleep(self.rng.choice([0, 0.05, 0.2]))
                if not self.alive():
                    break
            if not self.check():
                break
        self.memorycheck()

    def memorycheck(self):
        if len(self.rss) < 8:
            return
        q = len(self.rss) // 4
        second, last = max(self.rss[q:2 * q]), max(self.rss[3 * q:])
        if last > 1.5 * second + 32 * 1024:
            self.fail("resident memory grew: last quarter's maximum %.0f MB, second quarter's %.0f MB"
                      % (last / 1024, second / 1024))

    def figures(self):
        mb = lambda kb: round(kb / 1024, 1) if kb is not None else None  # noqa: E731
        ms = lambda s: round(s * 1000, 1)  # noqa: E731
        c = self.counts
        return {
            "minutes": self.args.minutes, "seed": self.args.seed, "bursts": c["bursts"],
            "keys": c["keys"], "clicks": c["clicks"], "pastes": c["pastes"],
            "menu_commands": c["menu commands"], "precision_changes": c["precision changes"],
            "precision_dialogs": c["precision dialogs"], "precision_refused": c["precision refused"],
            "dialogs_dismissed": c["dialogs dismissed"], "copy_checks": c["copy checks"],
            "copy_retries": c["copy retries"],
            "copy_latency_ms": {"median": ms(statistics.median(self.latencies)) if self.latencies else None,
                                "max": ms(max(self.latencies)) if self.latencies else None,
                                "limit": ms(self.args.copy_limit)},
            "rss_mb": {"start": mb(self.rss[0] if self.rss else None),
                       "end": mb(self.rss[-1] if self.rss else None),
                       "max": mb(max(self.rss) if self.rss else None)},
            "crashes": c["crashes"], "failures": self.failures, "passed": not self.failures,
        }

    def summary(self):
        f = self.figures()
        lat, rss = f["copy_latency_ms"], f["rss_mb"]
        print("soak-window: %.1f min, seed %d, %d bursts" % (f["minutes"], f["seed"], f["bursts"]))
        print("  sent: %d keys, %d clicks, %d pastes, %d menu commands, %d precision changes "
              "(%d dialogs, %d refused while busy), %d dialogs dismissed"
              % (f["keys"], f["clicks"], f["pastes"], f["menu_commands"], f["precision_changes"],
                 f["precision_dialogs"], f["precision_refused"], f["dialogs_dismissed"]))
        print("  copy: %d checks (%d retried after a dialog), latency median %s ms, max %s ms"
              % (f["copy_checks"], f["copy_retries"], lat["median"], lat["max"]))
        print("  memory (VmRSS): start %s MB, end %s MB, max %s MB" % (rss["start"], rss["end"], rss["max"]))
        print("  crashes: %d" % f["crashes"])
        for failure in self.failures[:20]:
            print("  FAIL " + failure)
        if self.failures:
            print("  last actions:\n    " + "\n    ".join(self.log))
        print("soak-window: " + ("passed" if f["passed"] else "FAILED"))
        return f


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--minutes", type=float, default=10)
    parser.add_argument("--app", default=os.path.join(HERE, "..", "build", "zelk-calculator"))
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--json", help="write the figures to this file")
    parser.add_argument("--log", help="write every action to this file")
    parser.add_argument("--copy-limit", type=float, default=0.5, help="seconds for Ctrl+C")
    parser.add_argument("--rss-cap", type=int, default=1536, help="MB of resident memory at most")
    args = parser.parse_args()
    signal.signal(signal.SIGTERM, signal.default_int_handler)
    with tempfile.TemporaryDirectory(prefix="soak-window.") as tmp:
        soak = Soak(args, tmp)
        try:
            soak.run()
        except KeyboardInterrupt:
            soak.fail("interrupted")
        finally:
            soak.stop()
        figures = soak.summary()
    if args.json:
        with open(args.json, "w") as f:
            json.dump(figures, f, indent=2)
            f.write("\n")
    return 0 if figures["passed"] else 1


if __name__ == "__main__":
    sys.exit(main())
