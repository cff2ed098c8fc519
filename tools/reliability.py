#!/usr/bin/env python3
"""Runs what shows ZELK's reliability and writes the figures to docs/reliability.md.

In order: every fuzz target for --fuzz-seconds (make fuzz), the tests under
AddressSanitizer and UndefinedBehaviorSanitizer (make sanitize), the window
tests under ThreadSanitizer (make tsan), the zelkc soak with its mpmath
checks (tools/soak.py), the window soak under Xvfb (tools/soak-window.py),
the cancellation latency of the slowest keys, and a table of bad inputs to
zelkc with their exit status, time and peak memory. Each step's full output
goes to --logs; a step that fails is reported as failed in the document and
makes the exit status 1.

    tools/reliability.py [--fuzz-seconds 300] [--soak-minutes 10]
                         [--window-minutes 10] [--out docs/reliability.md]
"""

import argparse
import datetime
import json
import os
import re
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The slowest keys, each with its precision: a Ctrl+C lands this long after
# it starts, and the time to the display that says so is the latency.
SLOW_KEYS = [
    ("[Radians]1E1000000[sin]", 40),
    ("1/3=[+]29000=[n!]", 6000),
    ("1/3=[+]100000=[n!]", 6000),
    ("[Radians]2y(3y(5y(7y0,3=[sin]", 6000),
]
CANCEL_AFTER = 0.3

# Bad inputs to zelkc: a description, the arguments, and standard input
# (bytes, or a callable writing it, for the large ones).
BAD_INPUTS = [
    ("binary garbage on standard input", [], bytes(range(256)) * 64),
    ("NUL bytes in a line", [], b"1\x002+3=\n"),
    ("invalid UTF-8", [], b"1\xff\xfe+\xc3=\n"),
    ("unknown [name] on standard input", [], b"1+1=\n[nosuchkey]\n2*3=\n"),
    ("unterminated [name] on standard input", [], b"1+1=\n[sin\n2*3=\n"),
    ("unknown [name] as an argument", ["[nosuchkey]"], None),
    ("100000 opening parentheses", ["(" * 100000 + "1="], None),
    ("1,000,000 lines", [], b"1+1=\n" * 1000000),
    ("a 50 MB line of digits", [], b"1" * (50 * 1024 * 1024) + b"\n2*3=\n"),
    ("a 2 MB line of keys", [], b"1+" * (1024 * 1024) + b"1=\n"),
    ("precision 0", ["--precision", "0", "1"], None),
    ("precision 99999", ["--precision=99999", "1"], None),
    ("precision not a number", ["--precision", "12abc", "1"], None),
    ("unknown option", ["--frobnicate"], None),
]


def run(command, log, env=None):
    """Runs a command with its output to log; returns (status, seconds, output)."""
    began = time.monotonic()
    with open(log, "w") as out:
        status = subprocess.call(command, cwd=ROOT, stdout=out, stderr=subprocess.STDOUT, env=env)
    with open(log) as f:
        text = f.read()
    return status, time.monotonic() - began, text


def fuzzstep(args):
    status, seconds, text = run(["make", "fuzz", "FUZZ_SECONDS=%d" % args.fuzz_seconds],
                                os.path.join(args.logs, "fuzz.txt"))
    rows = []
    statsdir = os.path.join(ROOT, "build-fuzz", "stats")
    for target in ["text", "arithmetic", "keys", "paste", "precision", "zelkc"]:
        path = os.path.join(statsdir, target + ".txt")
        if not os.path.exists(path):
            rows.append((target, None, None, "not run"))
            continue
        with open(path, errors="replace") as f:
            stats = f.read()
        units = re.search(r"stat::number_of_executed_units: (\d+)", stats)
        rate = re.search(r"stat::average_exec_per_sec:\s+(\d+)", stats)
        failed = re.search(r"check failed|ERROR: |SUMMARY: ", stats)
        result = "failed: " + failed.group(0) if failed else "0 crashes, 0 failed checks"
        # The fast targets' corpora run again under both sanitizers.
        replay = os.path.join(statsdir, target + "-sanitized.txt")
        if os.path.exists(replay):
            with open(replay, errors="replace") as f:
                stats = f.read()
            inited = re.search(r"#(\d+)\s+INITED", stats)
            failed = re.search(r"check failed|ERROR: |SUMMARY: ", stats)
            result += "; its %s inputs under ASan + UBSan: %s" % (
                "{:,}".format(int(inited.group(1))) if inited else "?",
                "failed: " + failed.group(0) if failed else "0 crashes")
        rows.append((target, int(units.group(1)) if units else None,
                     int(rate.group(1)) if rate else None, result))
    return {"status": status, "seconds": seconds, "targets": rows}


def ctestcount(text):
    m = re.search(r"(\d+)% tests passed, (\d+) tests failed out of (\d+)", text)
    return (int(m.group(3)) - int(m.group(2)), int(m.group(3))) if m else (0, 0)


def teststep(target, args):
    status, seconds, text = run(["make", target], os.path.join(args.logs, target + ".txt"))
    passed, total = ctestcount(text)
    return {"status": status, "seconds": seconds, "passed": passed, "total": total}


def soakstep(script, binary, minutes, args):
    """Runs one soak with its figures in JSON beside its log."""
    name = os.path.splitext(os.path.basename(script))[0]
    figures = os.path.join(args.logs, name + ".json")
    status, seconds, _ = run([sys.executable, script, "--minutes", str(minutes), "--seed",
                              str(args.seed)] + binary + ["--json", figures],
                             os.path.join(args.logs, name + ".txt"))
    result = {"status": status, "seconds": seconds}
    if os.path.exists(figures):
        with open(figures) as f:
            result.update(json.load(f))
    return result


def cancelstep(args):
    rows = []
    for keys, precision in SLOW_KEYS:
        p = subprocess.Popen([args.zelkc, "--precision", str(precision)], stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        p.stdin.write((keys + "\n").encode())
        p.stdin.flush()
        time.sleep(CANCEL_AFTER)
        asked = time.monotonic()
        p.send_signal(signal.SIGINT)
        line = p.stdout.readline().decode().strip()
        latency = time.monotonic() - asked
        p.stdin.close()
        p.wait()
        rows.append((keys, precision, line, latency))
    return {"rows": rows}


def badinputstep(args):
    """Each bad input under GNU time, whose own small image is the floor of
    the peak it reports (Python's would be far larger)."""
    rows = []
    for what, arguments, data in BAD_INPUTS:
        with tempfile.TemporaryFile() as inp, tempfile.TemporaryFile() as out, \
                tempfile.TemporaryFile() as err, tempfile.NamedTemporaryFile("r") as peak:
            inp.write(data or b"")
            inp.seek(0)
            began = time.monotonic()
            status = subprocess.call(["/usr/bin/time", "-q", "-f", "%M", "-o", peak.name,
                                      args.zelkc] + arguments, stdin=inp, stdout=out, stderr=err)
            seconds = time.monotonic() - began
            out.seek(0)
            err.seek(0)
            displays = out.read().count(b"\n")
            message = err.read().decode(errors="replace").strip().split("\n")[0][:90]
            kb = peak.read().strip().split("\n")[-1]
        rows.append((what, status, seconds, displays, message, int(kb) / 1024 if kb.isdigit() else 0))
    return {"rows": rows}


def verdict(status):
    return "passed" if status == 0 else "**failed** (status %d)" % status


def document(args, results):
    lines = ["# Reliability", "",
             "What was tried against ZELK Calculator, and what came of it. Written by "
             "`make reliability` (tools/reliability.py) on %s, commit %s; the logs of each step "
             "are in %s." % (datetime.date.today().isoformat(), args.commit,
                             os.path.relpath(args.logs, ROOT)), ""]
    f = results.get("fuzz")
    if f:
        lines += ["## Fuzzing", "",
                  "Each libFuzzer target ran %d s from the committed seeds (fuzz/corpus): %s. "
                  "The text and paste targets were built with AddressSanitizer and "
                  "UndefinedBehaviorSanitizer. The arithmetic, key, precision and zelkc targets "
                  "fuzz with "
                  "UBSan's cheaper checks only (no alignment, vptr or pointer-overflow checks), "
                  "at two and a half times the pace; then every input of their corpus, the new "
                  "ones and the seeds, ran again under both sanitizers." % (
                      args.fuzz_seconds, verdict(f["status"])), "",
                  "| Target | What it checks | Runs | Runs per second | Result |",
                  "|---|---|---:|---:|---|"]
        what = {
            "text": "text to number: normalised, display correctly rounded and read back",
            "arithmetic": "exact sums and products, quotients, digit forms and eight functions "
                          "against exact results or 30 more digits",
            "keys": "key sequences: bounded stacks, well-formed displays, a second calculator "
                    "agrees, one operation at P is its P + 30 result correctly rounded",
            "paste": "the paste reader on any text; numbers in every accepted style type "
                     "their value",
            "precision": "precision changes between keys: a change and back shows the same",
            "zelkc": "zelkc's arguments and standard input: one display or one numbered "
                     "message per line, status 2 exactly when a line was refused",
        }
        for target, units, rate, result in f["targets"]:
            lines.append("| %s | %s | %s | %s | %s |" % (
                target, what.get(target, ""), "{:,}".format(units) if units else "-",
                "{:,}".format(rate) if rate else "-", result))
        lines += ["", "Bounds on an input: at most 32 keys (and 64 bytes in the key target); "
                  "precisions up to 300 in the key target, up to 60 in the zelkc target, and "
                  "in the precision target mostly up to 40 with one change in 32 anywhere up "
                  "to 6000; a key input is cancelled after 1 ms (2 ms for the oracles' second "
                  "runs), as the window's No answer would cancel it, and is then held only to "
                  "survival. Typed exponents reach 999 in the rounding oracle and any size "
                  "elsewhere.", ""]
    for key, title, what in [("sanitize", "AddressSanitizer and UndefinedBehaviorSanitizer",
                              "every test"),
                             ("tsan", "ThreadSanitizer", "the window tests")]:
        t = results.get(key)
        if t:
            lines += ["## " + title, "",
                      "%s: %d of %d passed in %.0f s (%s)." % (
                          what[0].upper() + what[1:], t["passed"], t["total"], t["seconds"],
                          verdict(t["status"])), ""]
    s = results.get("soak")
    if s:
        lines += ["## zelkc soak", "",
                  "%.1f minutes of random key lines at precisions from 1 to 6000 (seed %s): %s." % (
                      s.get("minutes", 0), s.get("seed"), verdict(s["status"])), "",
                  "| Figure | Value |", "|---|---:|",
                  "| lines typed | {:,} |".format(s.get("lines", 0)),
                  "| keys typed | {:,} |".format(s.get("keys", 0)),
                  "| keys per second | {:,.0f} |".format(s.get("keys_per_second", 0)),
                  "| results checked against mpmath | {:,} |".format(s.get("checked", 0)),
                  "| mismatches | %d |" % s.get("mismatches", 0),
                  "| lines cancelled by Ctrl+C | %d |" % s.get("cancelled", 0),
                  "| processes | %d |" % s.get("processes", 0),
                  "| resident memory at start, end, peak | %.1f, %.1f, %.1f MB |" % (
                      s.get("rss_start_mb", 0), s.get("rss_end_mb", 0), s.get("rss_peak_mb", 0)),
                  ""]
        if s.get("longest_lives"):
            lines += ["Memory within the longest-lived processes (median of the second and the "
                      "last quarter of their lines):", "",
                      "| Process | Lines | Second quarter | Last quarter |", "|---|---:|---:|---:|"]
            for what, n, second, last in s["longest_lives"]:
                lines.append("| %s | %d | %.1f MB | %.1f MB |" % (what, n, second, last))
            lines.append("")
        for failure in s.get("failures", [])[:20]:
            lines.append("- FAIL: " + failure)
    w = results.get("window")
    if w:
        lat, rss = w.get("copy_latency_ms", {}), w.get("rss_mb", {})
        lines += ["## Window soak", "",
                  "%.1f minutes of random bursts into the window under Xvfb (seed %s): %s." % (
                      w.get("minutes", 0), w.get("seed"), verdict(w["status"])), "",
                  "| Figure | Value |", "|---|---:|",
                  "| bursts | %s |" % w.get("bursts"),
                  "| keys, clicks, pastes | %s, %s, %s |" % (w.get("keys"), w.get("clicks"),
                                                            w.get("pastes")),
                  "| menu commands, precision changes | %s, %s |" % (
                      w.get("menu_commands"), w.get("precision_changes")),
                  "| crashes | %s |" % w.get("crashes"),
                  "| Ctrl+C answered: median, max | %s ms, %s ms (limit %s ms) |" % (
                      lat.get("median"), lat.get("max"), lat.get("limit")),
                  "| resident memory at start, end, max | %s, %s, %s MB |" % (
                      rss.get("start"), rss.get("end"), rss.get("max")), ""]
        for failure in w.get("failures", [])[:20]:
            lines.append("- FAIL: " + failure)
    c = results.get("cancel")
    if c:
        lines += ["## Cancelling the slowest keys", "",
                  "Each key line runs in zelkc (%s); a Ctrl+C comes %.1f s after it starts, "
                  "and the latency is the time from the signal to the display." % (
                      os.path.relpath(args.zelkc, ROOT), CANCEL_AFTER), "",
                  "| Keys | Precision | Display | Latency |", "|---|---:|---|---:|"]
        for keys, precision, shown, latency in c["rows"]:
            lines.append("| `%s` | %d | %s | %.1f ms |" % (keys, precision, shown[:50],
                                                          latency * 1000))
        lines.append("")
    b = results.get("bad")
    if b:
        lines += ["## Bad input to zelkc", "",
                  "| Input | Exit status | Time | Peak memory | Displays | First message |",
                  "|---|---:|---:|---:|---:|---|"]
        for what, status, seconds, displays, message, peak in b["rows"]:
            lines.append("| %s | %d | %.2f s | %.1f MB | %d | %s |" % (
                what, status, seconds, peak, displays, message.replace("|", "\\|") or "-"))
        lines += ["", "Exit status 2 is a usage error or a line not typed (the other lines are "
                  "typed); a line over 1 MiB is read past in bounded memory and reported.", ""]
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--fuzz-seconds", type=int, default=300)
    parser.add_argument("--soak-minutes", type=float, default=10)
    parser.add_argument("--window-minutes", type=float, default=10)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--zelkc", default=os.path.join(ROOT, "build", "zelkc"))
    parser.add_argument("--app", default=os.path.join(ROOT, "build", "zelk-calculator"))
    parser.add_argument("--logs", default=os.path.join(ROOT, "build", "reliability"))
    parser.add_argument("--out", default=os.path.join(ROOT, "docs", "reliability.md"))
    parser.add_argument("--skip", default="", help="steps to leave out: fuzz,sanitize,tsan,"
                        "soak,window,cancel,bad")
    parser.add_argument("--reuse", action="store_true", help="keep the figures of the last run "
                        "(in --logs) for the steps left out")
    args = parser.parse_args()
    os.makedirs(args.logs, exist_ok=True)
    args.commit = subprocess.run(["git", "rev-parse", "--short", "HEAD"], cwd=ROOT,
                                 capture_output=True, text=True).stdout.strip() or "unknown"
    skip = set(filter(None, args.skip.split(",")))
    steps = [("fuzz", lambda: fuzzstep(args)), ("sanitize", lambda: teststep("sanitize", args)),
             ("tsan", lambda: teststep("tsan", args)),
             ("soak", lambda: soakstep("tools/soak.py", ["--zelkc", args.zelkc],
                                       args.soak_minutes, args)),
             ("window", lambda: soakstep("tools/soak-window.py", ["--app", args.app],
                                         args.window_minutes, args)),
             ("cancel", lambda: cancelstep(args)), ("bad", lambda: badinputstep(args))]
    results = {}
    saved = os.path.join(args.logs, "results.json")
    if args.reuse and os.path.exists(saved):
        with open(saved) as f:
            results = {k: v for k, v in json.load(f).items() if k in skip}
    failed = any(r.get("status", 0) != 0 for r in results.values())
    for name, step in steps:
        if name in skip:
            continue
        print("reliability: %s ..." % name, flush=True)
        results[name] = step()
        status = results[name].get("status", 0)
        failed = failed or status != 0
        print("reliability: %s %s" % (name, "passed" if status == 0 else "FAILED"), flush=True)
    with open(args.out, "w") as f:
        f.write(document(args, results))
    with open(os.path.join(args.logs, "results.json"), "w") as f:
        json.dump(results, f, indent=2)
    print("reliability: wrote %s" % os.path.relpath(args.out, ROOT))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
