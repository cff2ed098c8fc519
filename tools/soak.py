#!/usr/bin/env python3
"""Soak test: random key sequences through zelkc for a while.

Starts zelkc reading standard input, types random lines of keys (digits,
operators, functions, modes, clears) at random precisions, and reads the
display after each line. A line that runs longer than --cancel seconds gets
Ctrl+C, as the window's No answer would; one that still gives no display
after --hang seconds more is a hang. Reports keys per second, resident
memory over the run (which must not keep growing), and every crash or hang.

    tools/soak.py [--minutes 10] [--zelkc build/zelkc] [--seed N]

Exit status 1 when zelkc crashed or hung, or memory kept growing.
"""

import argparse
import os
import random
import select
import signal
import subprocess
import sys
import time

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
    args = parser.parse_args()
    rng = random.Random(args.seed)
    print("soak: seed %d, %.1f minutes, %s" % (args.seed, args.minutes, args.zelkc))

    failures = []
    keys = lines = cancels = restarts = 0
    samples = []  # (elapsed seconds, rss kb)
    began = time.monotonic()
    end = began + args.minutes * 60
    proc = None
    while time.monotonic() < end:
        if proc is None:
            precision = rng.choice([1, 5, 20, 40, 40, 40, 100, 300, 1000, 3000, 6000])
            proc = start(args.zelkc, precision)
            history = []
            restarts += 1
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
                  (samples[-1][1] / 1024, rss / 1024, precision, "\n  ".join(history)))
        samples.append((time.monotonic() - began, rss))
        # A fresh calculator now and then, at another precision.
        if rng.random() < 0.01:
            proc.stdin.close()
            proc.wait()
            proc = None
    if proc is not None:
        proc.stdin.close()
        proc.wait()

    elapsed = time.monotonic() - began
    print("lines %d, keys %d, %.0f keys/s, %d cancelled, %d processes" %
          (lines, keys, keys / elapsed, cancels, restarts))
    if samples:
        peak = max(r for _, r in samples)
        half = elapsed / 2
        first = max((r for t, r in samples if t < half), default=0)
        second = max((r for t, r in samples if t >= half), default=0)
        print("resident memory: peak %.1f MB; first half %.1f MB, second half %.1f MB" %
              (peak / 1024, first / 1024, second / 1024))
        # The limb pool keeps what a computation needed, so memory follows the
        # largest computation met, not the time run: allow for a new peak, not
        # for steady growth.
        if second > 2 * max(first, 64 * 1024):
            failures.append("memory grew from %.1f MB to %.1f MB" % (first / 1024, second / 1024))
    for f in failures:
        print("FAIL:", f)
    print("soak: %s" % ("failed" if failures else "passed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
