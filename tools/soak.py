#!/usr/bin/env python3
"""Soak test: random key sequences through zelkc for a while.

Starts zelkc reading standard input, types random lines of keys (digits,
operators, functions, modes, clears) at random precisions, and reads the
display after each line. A line that runs longer than --cancel seconds gets
Ctrl+C, as the window's No answer would; one that still gives no display
after --hang seconds more is a hang. Every tenth line goes instead to a
second zelkc as one operation or function of typed operands, whose display
is compared with mpmath's value correctly rounded (halves away from zero)
to the shown digits. Reports keys per second, resident memory of each
process over its life (which must not keep growing), every crash, hang,
exit status other than 0, and every mismatch.

    tools/soak.py [--minutes 10] [--zelkc build/zelkc] [--seed N]

Exit status 1 on any of them.
"""

import argparse
import os
import random
import select
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import midpoints  # noqa: E402

KEYS_SIMPLE = list("0123456789") * 3 + list(",+-*/=()") * 2 + [
    "[+/-]", "[Backspace]", "[CE]", "[MS]", "[MR]", "[M+]", "[MC]", "[Inv]", "[Hyp]",
    "[Mod]", "[x^y]", "[x^2]", "[x^3]", "[1/x]", "[ln]", "[log]", "[n!]", "[sin]", "[cos]",
    "[tan]", "[PI]", "[dms]", "[Int]", "[Not]", "[And]", "[Or]", "[Xor]", "[Lsh]", "[EE]",
    "[Grouping]",
]
KEYS_RARE = ["[C]", "[Hex]", "[Dec]", "[Oct]", "[Bin]", "[Qword]", "[Dword]", "[Word]", "[Byte]",
             "[Degrees]", "[Radians]", "[Grads]", "A", "B", "C", "D", "E", "F"]


def randomline(rng):
    n = rng.randint(1, 25)
    keys = []
    for _ in range(n):
        keys.append(rng.choice(KEYS_RARE) if rng.random() < 0.08 else rng.choice(KEYS_SIMPLE))
    return "".join(keys), n


# -- lines with an oracle ----------------------------------------------------------

def operand(rng, lo=-30, hi=30, digits=None):
    """A typed number: random digits, a point, maybe an exponent (EE)."""
    n = digits or rng.randint(1, 30)
    text = str(rng.randint(1, 9)) + "".join(str(rng.randint(0, 9)) for _ in range(n - 1))
    point = rng.randint(1, len(text))
    mantissa = text[:point] + ("," + text[point:] if point < len(text) else "")
    e = rng.randint(lo, hi)
    keys = mantissa + ("[EE]" + str(abs(e)) + ("[+/-]" if e < 0 else "") if e else "")
    value = text[:point] + "." + (text[point:] or "0") + "e" + str(e)
    return keys, value


def oracleline(rng, mpmath):
    """Keys of one operation or function on typed operands, and its value
    with mpmath (at the working precision the caller sets)."""
    kind = rng.choice(["+", "-", "*", "/", "y", "ln", "log", "sin", "cos", "tan", "x^2",
                       "x^3", "1/x", "n!"])
    if kind in "+-*/":
        (ka, a), (kb, b) = operand(rng), operand(rng)
        f = {"+": lambda x, y: x + y, "-": lambda x, y: x - y, "*": lambda x, y: x * y,
             "/": lambda x, y: x / y}[kind]
        return "[C]" + ka + kind + kb + "=", lambda: f(mpmath.mpf(a), mpmath.mpf(b))
    if kind == "y":
        (ka, a), (kb, b) = operand(rng, -3, 3), operand(rng, -1, 0, rng.randint(1, 3))
        return "[C]" + ka + "y" + kb + "=", lambda: mpmath.power(mpmath.mpf(a), mpmath.mpf(b))
    if kind in ("sin", "cos", "tan"):
        ka, a = operand(rng, -5, 3)
        f = getattr(mpmath, kind)
        return "[C][Radians]" + ka + "[" + kind + "]", lambda: f(mpmath.mpf(a))
    if kind == "n!":
        ka, a = operand(rng, -2, 0, rng.randint(1, 6))
        return "[C]" + ka + "[n!]", lambda: mpmath.gamma(mpmath.mpf(a) + 1)
    ka, a = operand(rng)
    f = {"ln": mpmath.ln, "log": mpmath.log10, "x^2": lambda x: x * x,
         "x^3": lambda x: x * x * x, "1/x": lambda x: 1 / x}[kind]
    return "[C]" + ka + "[" + kind + "]", lambda: f(mpmath.mpf(a))


def expected(value, precision, mpmath):
    """The display text of the true value at `precision` digits, as the
    display forms it (tools/midpoints.py)."""
    mpmath.mp.dps = precision + 80
    return midpoints.displaytext(midpoints.todecimal(value(), precision + 35), precision)


def rss_kb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def readline(proc, timeout):
    """One line of zelkc's output, or None when none came within timeout."""
    deadline = time.monotonic() + timeout
    buf = b""
    while True:
        left = deadline - time.monotonic()
        if left <= 0:
            return None
        ready, _, _ = select.select([proc.stdout], [], [], left)
        if not ready:
            return None
        chunk = os.read(proc.stdout.fileno(), 1)
        if not chunk:
            return None
        if chunk == b"\n":
            return buf.decode("utf-8", "replace")
        buf += chunk


def start(zelkc, precision):
    return subprocess.Popen([zelkc, "--precision", str(precision)], stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, bufsize=0)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--minutes", type=float, default=10)
    parser.add_argument("--zelkc", default=os.path.join(os.path.dirname(__file__), "..", "build", "zelkc"))
    parser.add_argument("--seed", type=int, default=int(time.time()))
    parser.add_argument("--cancel", type=float, default=3.0, help="seconds before Ctrl+C")
    parser.add_argument("--hang", type=float, default=20.0, help="seconds after Ctrl+C before a hang")
    parser.add_argument("--json", help="write the figures to this file")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    print("soak: seed %d, %.1f minutes, %s" % (args.seed, args.minutes, args.zelkc))

    try:
        import mpmath
    except ImportError:
        sys.exit("soak: mpmath is needed for the result checks (python3-mpmath)")

    failures = []
    keys = lines = cancels = restarts = checked = 0
    samples = []  # (elapsed seconds, rss kb)
    lives = []    # the rss samples of each process, for growth within one life

    def finish(p, what, life):
        """Ends a process: its exit status must be 0, and its memory flat."""
        p.stdin.close()
        status = p.wait()
        if status != 0:
            failures.append("%s exited with status %s" % (what, status))
        lives.append((what, life))

    began = time.monotonic()
    end = began + args.minutes * 60
    proc = oracle = None
    while time.monotonic() < end:
        if proc is None:
            precision = rng.choice([1, 5, 20, 40, 40, 40, 100, 300, 1000, 3000, 6000])
            proc = start(args.zelkc, precision)
            history = []
            life = []
            restarts += 1
        if oracle is None:
            oprecision = rng.choice([1, 2, 5, 10, 40, 40, 40, 100, 300])
            oracle = start(args.zelkc, oprecision)
            olife = []
            restarts += 1
        if lines % 10 == 9:
            line, value = oracleline(rng, mpmath)
            if "[n!]" in line and oprecision > 100:
                line, value = "[C]1/4=", lambda: mpmath.mpf(1) / 4
            oracle.stdin.write((line + "\n").encode())
            out = readline(oracle, args.hang)
            if out is None:
                failures.append("no display at precision %d: %s" % (oprecision, line))
                oracle.kill()
                oracle.wait()
                oracle = None
                continue
            want = expected(value, oprecision, mpmath)
            if out != want:
                failures.append("mismatch at precision %d: %s shows %s, correctly rounded %s"
                                % (oprecision, line, out, want))
            checked += 1
            lines += 1
            keys += line.count("[") + sum(c.isdigit() or c in ",+-*/=y" for c in line)
            olife.append(rss_kb(oracle.pid))
            continue
        line, n = randomline(rng)
        history.append(line)
        try:
            proc.stdin.write((line + "\n").encode())
        except BrokenPipeError:
            failures.append("crash (exit %s) before: %s" % (proc.poll(), line))
            proc = None
            continue
        out = readline(proc, args.cancel)
        if out is None and proc.poll() is None:
            cancels += 1
            proc.send_signal(signal.SIGINT)
            out = readline(proc, args.hang)
            if out is None and proc.poll() is None:
                failures.append("hang at precision %d: %s" % (precision, line))
                proc.kill()
                proc.wait()
                proc = None
                continue
        if out is None:
            failures.append("crash (exit %s) at precision %d: %s" % (proc.wait(), precision, line))
            proc = None
            continue
        if out == "":
            failures.append("empty display after: %s" % line)
        keys += n
        lines += 1
        rss = rss_kb(proc.pid)
        if samples and rss > samples[-1][1] + 100 * 1024:
            print("memory %.0f MB -> %.0f MB at precision %d after the lines:\n  %s" %
                  (samples[-1][1] / 1024, rss / 1024, precision, "\n  ".join(history[-20:])))
        samples.append((time.monotonic() - began, rss))
        life.append(rss)
        # A fresh calculator now and then, at another precision: rarely, so
        # that growth within one process shows.
        if rng.random() < 0.0005:
            finish(proc, "zelkc at precision %d" % precision, life)
            proc = None
    if proc is not None:
        finish(proc, "zelkc at precision %d" % precision, life)
    if oracle is not None:
        finish(oracle, "zelkc at precision %d (checked lines)" % oprecision, olife)

    growth = []  # (what, lines, second quarter MB, last quarter MB)
    # Memory within each long life: the pool gives back what a key took, so
    # the last quarter may not sit above the second by more than a fifth.
    for what, life in lives:
        if len(life) < 200:
            continue
        n = len(life)
        second = sorted(life[n // 4:n // 2])[n // 8]
        last = sorted(life[3 * n // 4:])[(n - 3 * n // 4) // 2]
        print("%s: %d lines, resident memory %.1f MB in its second quarter, %.1f MB in its last"
              % (what, n, second / 1024, last / 1024))
        growth.append((what, n, second / 1024, last / 1024))
        if last > 1.2 * second + 4096:
            failures.append("%s: memory grew from %.1f MB to %.1f MB"
                            % (what, second / 1024, last / 1024))

    elapsed = time.monotonic() - began
    print("lines %d, keys %d, %.0f keys/s, %d cancelled, %d processes, %d results checked "
          "against mpmath" % (lines, keys, keys / elapsed, cancels, restarts, checked))
    if samples:
        peak = max(r for _, r in samples)
        half = elapsed / 2
        first = max((r for t, r in samples if t < half), default=0)
        second = max((r for t, r in samples if t >= half), default=0)
        print("resident memory: peak %.1f MB; first half %.1f MB, second half %.1f MB" %
              (peak / 1024, first / 1024, second / 1024))
    for f in failures:
        print("FAIL:", f)
    print("soak: %s" % ("failed" if failures else "passed"))
    if args.json:
        import json
        mismatches = sum(f.startswith("mismatch") for f in failures)
        figures = {
            "seed": args.seed, "minutes": args.minutes, "lines": lines, "keys": keys,
            "keys_per_second": keys / elapsed, "cancelled": cancels, "processes": restarts,
            "checked": checked, "mismatches": mismatches, "failures": failures,
            "rss_start_mb": samples[0][1] / 1024 if samples else 0,
            "rss_end_mb": samples[-1][1] / 1024 if samples else 0,
            "rss_peak_mb": max((r for _, r in samples), default=0) / 1024,
            "longest_lives": sorted(growth, key=lambda g: -g[1])[:5],
        }
        with open(args.json, "w") as f:
            json.dump(figures, f, indent=2)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
