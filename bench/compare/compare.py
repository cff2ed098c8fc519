#!/usr/bin/env python3
"""Side-by-side comparison of ZELK with GNU bc, Python's decimal module,
GNU calc and MPFR on the same computations at 40, 1000 and 6000
significant digits; writes docs/performance.md.

Cell by cell (one task at one digit count), in several rounds, each round
runs ZELK in process, ZELK as a process, then each peer in turn, so that a
change in the machine's load falls on all of them alike; a column's time is
the median of its rounds. The first run of every column is checked against
mpmath first: a wrong result is marked and not timed. A cell whose single
computation passes PEER_TIMEOUT is skipped and marked; one above --slow
seconds is run once.

`make compare` builds everything and runs this; see docs/performance.md for
the options.
"""

import argparse
import datetime
import json
import math
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import checks  # noqa: E402
import peers  # noqa: E402
from peers import TASKS, Failed, Timeout  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

COLUMNS = ["zelk", "zelkc", "bc", "decimal", "calc", "mpfr"]
HEADINGS = {"zelk": "ZELK in process", "zelkc": "ZELK process", "bc": "bc -l",
            "decimal": "Python decimal", "calc": "calc", "mpfr": "MPFR"}
PEERS = ["bc", "decimal", "calc", "mpfr"]
TASK_LABELS = {"a*b": "exact product, GMP's mpz_mul", "pi": "pi computed"}

# Targets of ZELK in process against a peer: (peer, digit counts, highest
# ratio, tasks it covers or None for every task). Below 1: faster than the
# peer. MPFR's is an aim, on the elementary functions only.
ELEMENTARY = {"sqrt2", "exp1", "ln2", "log10_7", "pow2_0.5", "pow3_0.7", "sin1", "cos1", "tan1",
              "atan1", "asin0.5", "acos0.5", "sinh1", "asinh1"}
TARGETS = [
    ("bc", (1000, 6000), 1.0, None),
    ("decimal", (1000, 6000), 1.0, None),
    ("calc", (1000, 6000), 1.0, None),
    ("decimal", (40,), 1.0, None),
    ("mpfr", (1000, 6000), 3.0, ELEMENTARY),
    ("mpfr", (1000, 6000), 1.5, {"a*b"}),
    ("mpfr", (100000, 1000000), 3.0, {"a*b", "pi"}),
]
# Targets in seconds of ZELK in process: (task, digits, seconds).
TIME_TARGETS = [("sin_huge", 40, 3.0)]

# Start-up plus one key: zelkc's processor time at most that of this command.
STARTUP_REFERENCE = "bc -lq (empty file)"


def log(*args):
    print(*args, file=sys.stderr, flush=True)


# -- one cell -------------------------------------------------------------------

class Column:
    """The state of one column in one cell."""

    def __init__(self):
        self.status = "ok"   # ok, wrong, timeout, failed, n/a
        self.samples = []    # seconds per computation
        self.n = 1           # repetitions per run
        self.error = None    # ulps of the checked result
        self.text = ""       # the checked result, shortened
        self.note = ""
        self.single = False  # slow: one run only

    def median(self):
        return statistics.median(self.samples) if self.samples else None

    @classmethod
    def from_json(cls, data):
        col = cls()
        col.status, col.samples, col.n = data["status"], data["samples"], data["n"]
        col.error, col.text, col.note = data["error_ulps"], data["result"], data["note"]
        col.single = data.get("single", False)
        return col

    def as_json(self):
        return {"status": self.status, "samples": self.samples, "median": self.median(),
                "n": self.n, "error_ulps": self.error, "result": self.text, "note": self.note,
                "single": self.single}


def checked(col, task, d, text):
    ok, err = checks.check(task.name, d, text, task.exact)
    col.error = err
    col.text = text if len(text) <= 60 else text[:40] + "..." + text[-12:]
    if not ok:
        col.status = "wrong"
    return ok


def next_n(n, total, target):
    """Repetitions for the next calibration run (at most 100 times more)."""
    return max(n + 1, math.ceil(n * 1.3 * target / max(total, target / 100)))


def run_cell(task, d, programs, rounds, options):
    cols = {name: Column() for name in COLUMNS}
    for name in COLUMNS:
        if name not in programs or not task.runs(name, d):
            cols[name].status = "n/a"
    for r in range(rounds):
        for name in COLUMNS:
            col = cols[name]
            if col.status != "ok" or (r > 0 and col.single):
                continue
            try:
                sample_column(name, col, programs[name], task, d, r, options)
            except Timeout:
                col.status = "timeout"
            except Failed as e:
                col.status = "failed"
                col.note = str(e)
    return cols


def sample_column(name, col, program, task, d, r, options):
    timeout = options.timeout
    if name == "zelk":
        if r == 0 and not checked(col, task, d, program.result(task, d)):
            return
        seconds = program.time(task, d, timeout=max(10 * timeout, 600))
    elif name == "zelkc":
        text, seconds = program.run(task, d, timeout)
        if r == 0 and not checked(col, task, d, text):
            return
    elif r == 0:
        # Calibrate: grow the repetitions until a run takes --target seconds;
        # the last calibration run is the first sample.
        n = 1
        while True:
            text, total = program.run(task, d, n, timeout)
            if n == 1 and not checked(col, task, d, text):
                return
            if total >= options.target or n >= options.max_reps:
                break
            n = min(next_n(n, total, options.target), options.max_reps)
        col.n = n
        seconds = total / n
    else:
        _, total = program.run(task, d, col.n, timeout)
        seconds = total / col.n
    col.samples.append(seconds)
    if r == 0 and seconds >= options.slow:
        col.single = True


# -- start-up ---------------------------------------------------------------------

def startup(zelkc, workdir, runs):
    """Start-up plus sqrt(2) at 40 digits: hyperfine when available."""
    bcfile = os.path.join(workdir, "sqrt2.bc")
    with open(bcfile, "w") as f:
        f.write("scale = 40\nsqrt(2)\nquit\n")
    empty = os.path.join(workdir, "empty.bc")
    open(empty, "w").close()
    commands = [
        ("zelkc '2[Inv][x^2]'", [zelkc, "2[Inv][x^2]"]),
        (STARTUP_REFERENCE, ["bc", "-lq", empty]),
        ("bc -lq (scale = 40; sqrt(2))", ["bc", "-lq", bcfile]),
        ("calc -q 'sqrt(2, 1e-40)'", ["calc", "-q", "sqrt(2, 1e-40)"]),
        ("python3 -c (decimal sqrt(2))", [sys.executable, "-c",
                                          "import decimal; decimal.getcontext().prec = 40; "
                                          "print(decimal.Decimal(2).sqrt())"]),
    ]
    results = []
    hyperfine = shutil.which("hyperfine")
    for label, cmd in commands:
        if shutil.which(cmd[0]) is None and not os.path.exists(cmd[0]):
            continue
        if hyperfine:
            out = os.path.join(workdir, "hyperfine.json")
            subprocess.run([hyperfine, "-N", "--warmup", "5", "--runs", str(runs),
                            "--export-json", out, "--style", "none",
                            " ".join(shellquote(c) for c in cmd)],
                           check=True, capture_output=True)
            with open(out) as f:
                res = json.load(f)["results"][0]
            wall = statistics.median(res["times"])
            cpu = res["user"] + res["system"]
            tool = "hyperfine"
        else:
            walls, cpus = [], []
            for _ in range(runs):
                t0 = time.perf_counter()
                _, c = peers.child(cmd)
                walls.append(time.perf_counter() - t0)
                cpus.append(c)
            wall, cpu, tool = statistics.median(walls), statistics.mean(cpus), "repeated runs"
        results.append({"label": label, "wall": wall, "cpu": cpu, "tool": tool})
    return results


def shellquote(s):
    return "'" + s.replace("'", "'\\''") + "'" if any(c in s for c in " '\"[]()*;!$") else s


# -- the report ---------------------------------------------------------------------

def fmt_time(s):
    if s is None:
        return "—"
    if s >= 1:
        return f"{s:.3g} s"
    if s >= 1e-3:
        return f"{s * 1e3:.3g} ms"
    return f"{s * 1e6:.3g} µs"


def fmt_ratio(x):
    if x >= 100:
        return f"{x:.0f}"
    return f"{x:.3g}"


def status_text(col, options):
    if col.status == "n/a":
        return "—"
    if col.status == "timeout":
        return f"> {options.timeout:.0f} s, skipped"
    if col.status == "wrong":
        err = "no number" if col.error is None else f"off by {col.error:.3g} units of digit D"
        return f"**wrong** ({err})"
    if col.status == "failed":
        return "failed"
    return None


def target_for(peer, d, task=None):
    for p, digit_counts, limit, tasks in TARGETS:
        if p == peer and d in digit_counts and (tasks is None or task in tasks):
            return limit
    return None


def cell_text(cells, peer, d, options, task=None):
    col = cells[peer]
    s = status_text(col, options)
    zelk = cells["zelk"].median()
    if col.status == "timeout" and peer in PEERS and zelk is not None:
        bound = zelk / options.timeout
        limit = target_for(peer, d, task)
        mark = "" if limit is None else (" ✓" if bound <= limit else " ?")
        return f"{s} (< {fmt_ratio(bound)}{mark})"
    if s is not None:
        return s
    text = fmt_time(col.median())
    if col.single:
        text += "¹"
    if peer in PEERS and zelk is not None:
        ratio = zelk / col.median() if col.median() > 0 else float("inf")
        limit = target_for(peer, d, task)
        if limit is None:
            text += f" ({fmt_ratio(ratio)})"
        elif ratio <= limit:
            text += f" ({fmt_ratio(ratio)} ✓)"
        else:
            text += f" (**{fmt_ratio(ratio)} ✗**)"
    return text


def machine():
    model = "unknown"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    mem = "unknown"
    with open("/proc/meminfo") as f:
        for line in f:
            if line.startswith("MemTotal"):
                mem = f"{int(line.split()[1]) / 1024 / 1024:.1f} GiB"
                break
    gxx = subprocess.run(["g++", "--version"], capture_output=True, text=True).stdout
    return {"nproc": os.cpu_count(), "cpu": model, "memory": mem,
            "kernel": platform.release(), "compiler": gxx.splitlines()[0] if gxx else "unknown"}


def summary(results, options):
    """Lines on where the targets are met and missed."""
    lines = []
    for peer, digit_counts, limit, tasks in TARGETS:
        met, missed, untimed = [], [], []
        for row in results:
            if row["digits"] not in digit_counts or (tasks is not None
                                                     and row.get("task") not in tasks):
                continue
            cells = row["cells"]
            zelk, other = cells["zelk"], cells[peer]
            if zelk.median() is None or other.median() is None:
                # A peer past the time-out: met if ZELK's time is within the
                # limit of the time-out itself.
                if (other.status == "timeout" and zelk.median() is not None
                        and zelk.median() <= limit * options.timeout):
                    met.append((row, zelk.median() / options.timeout))
                else:
                    untimed.append(row)
                continue
            ratio = zelk.median() / other.median()
            (met if ratio <= limit else missed).append((row, ratio))
        where = " and ".join(str(d) for d in digit_counts)
        if tasks is None:
            which = ""
        elif tasks is ELEMENTARY:
            which = " (elementary functions)"
        else:
            which = " (" + ", ".join(sorted(TASK_LABELS.get(t, t) for t in tasks)) + ")"
        lines.append(f"- **{HEADINGS[peer]}**, {where} digits{which}, ZELK at most {limit:g} × "
                     f"{HEADINGS[peer]}: met in {len(met)} of {len(met) + len(missed)} cells"
                     + (f" ({len(untimed)} without both times)" if untimed else "") + ".")
        if missed:
            worst = sorted(missed, key=lambda m: -m[1])
            lines.append("  Missed: " + ", ".join(
                f"{m[0]['label']} at {m[0]['digits']} ({fmt_ratio(m[1])})" for m in worst) + ".")
    for task, d, seconds in TIME_TARGETS:
        row = next((r for r in results if r.get("task") == task and r["digits"] == d), None)
        zelk = row and row["cells"]["zelk"].median()
        if zelk is None:
            continue
        verdict = "met" if zelk <= seconds else "**missed**"
        lines.append(f"- **{row['label']}** at {d} digits, ZELK in under {seconds:g} s: "
                     f"{verdict} ({fmt_time(zelk)}).")
    return lines


def write_report(path, results, start, versions, mach, options, elapsed):
    digits_used = sorted({r["digits"] for r in results})
    out = []
    w = out.append
    w("# Performance: ZELK beside bc, Python decimal, calc and MPFR")
    w("")
    w("Generated by `make compare` (bench/compare/compare.py) on "
      f"{start:%Y-%m-%d %H:%M} UTC; the run took {elapsed / 60:.1f} minutes. "
      "Do not edit by hand: run it again.")
    w("")
    w("Each cell is the median processor time (user + system) of one computation, at "
      "D significant digits, over the rounds of that cell; in brackets the ratio "
      "ZELK in process / peer (below 1: ZELK is faster). Where a target is set "
      "the ratio carries ✓ when it is met and **✗** when it is not: ZELK faster than bc, "
      "Python decimal and calc on every task at 1000 and 6000 digits, and than Python "
      "decimal (which computes in C too) at 40 digits. MPFR is the near-physical limit: "
      "at 1000 and 6000 digits at most 3× MPFR on the elementary functions. The exact "
      "product's MPFR column is GMP's mpz_mul: at most 1.5× at 1000 and 6000 digits, 3× "
      "at 10^5 and 10^6; pi beyond its table (10^5 and 10^6 digits) at most 3× "
      "mpfr_const_pi. Above 6000 digits only ZELK in process and MPFR/GMP run.")
    w("")
    rounds = ", ".join(f"{d} digits: {options.rounds_for[d]}" for d in digits_used)
    w(f"Rounds per cell ({rounds}); in each round ZELK runs first, then each peer in "
      "turn. ¹ one run only: the first took more than "
      f"{options.slow:g} s. A peer whose single computation exceeded {options.timeout:g} s "
      "is skipped. Every result was checked against mpmath before it was timed "
      f"(within {checks.TOLERANCE_ULPS} units of the D-th digit; the exact product digit "
      "for digit).")
    w("")
    spreads = sorted(max(col.samples) / min(col.samples)
                     for row in results for col in row["cells"].values()
                     if len(col.samples) > 1 and min(col.samples) > 0)
    if spreads:
        w(f"Noise: the slowest round of a cell took a median {spreads[len(spreads) // 2]:.2f}× "
          f"the fastest (largest {spreads[-1]:.2f}×, over the {len(spreads)} table entries timed "
          "in two rounds or more), so a ratio within a few tens of percent of its target is within the noise.")
        w("")
    w("| Task | D | " + " | ".join(HEADINGS[c] for c in COLUMNS) + " |")
    w("|---|---:|" + "---:|" * len(COLUMNS))
    for row in results:
        cells = row["cells"]
        w(f"| {row['label']} | {row['digits']} | "
          + " | ".join(cell_text(cells, c, row["digits"], options, row.get("task"))
                       for c in COLUMNS) + " |")
    w("")
    w("## Targets")
    w("")
    out.extend(summary(results, options))
    w("")
    w("The targets for single keys through `presskey` (under 0.3 ms at 40 digits, under 1 s "
      "at 6000) are measured by `build-release/bench/keys_bench` (`make bench`), not here.")
    # Why the targets still missed stay out of reach: written by hand beside
    # this script, as no run can find it out.
    gaps = os.path.join(os.path.dirname(os.path.abspath(__file__)), "gaps.md")
    if os.path.exists(gaps):
        w("")
        w("## Where a target is missed")
        w("")
        with open(gaps, encoding="utf-8") as f:
            out.extend(f.read().rstrip("\n").split("\n"))
    if options.startup_results:
        w("")
        w("## Start-up plus one key at 40 digits")
        w("")
        w(f"Target: `zelkc` start-up plus one key in no more processor time than "
          f"`{STARTUP_REFERENCE}` starting on an empty file. Whole processes, "
          f"{options.startup_runs} runs each ({options.startup_results[0]['tool']}): median "
          "wall time, and mean processor time.")
        w("")
        w("| Command | Wall (median) | Processor (mean) |")
        w("|---|---:|---:|")
        reference = next((s["cpu"] for s in options.startup_results
                          if s["label"] == STARTUP_REFERENCE), None)
        for s in options.startup_results:
            mark = ""
            if s["label"].startswith("zelkc") and reference is not None:
                mark = " ✓" if s["cpu"] <= reference else " **✗**"
            w(f"| `{s['label']}` | {fmt_time(s['wall'])} | {fmt_time(s['cpu'])}{mark} |")
    w("")
    w("## Accuracy")
    w("")
    w("Error of each checked result in units of its D-th significant digit, where it "
      "is above half a unit (so not the correctly rounded D digits; bc truncates, and "
      "formulas combining several results may be off in the last digit or two).")
    w("")
    notes = []
    for row in results:
        for c in COLUMNS:
            col = row["cells"][c]
            if col.status == "wrong" or (col.error is not None and col.error > 0.5):
                err = "no number" if col.error is None else f"{col.error:.3g}"
                notes.append(f"| {row['label']} | {row['digits']} | {HEADINGS[c]} | {err} | "
                             f"{'wrong' if col.status == 'wrong' else 'within tolerance'} |")
            if col.status == "failed":
                notes.append(f"| {row['label']} | {row['digits']} | {HEADINGS[c]} | — | "
                             f"failed: {col.note.replace('|', '/')} |")
    if notes:
        w("| Task | D | Program | Error (units) | Verdict |")
        w("|---|---:|---|---:|---|")
        out.extend(notes)
    else:
        w("Every result is within half a unit of its D-th digit.")
    w("")
    w("## How each program computes")
    w("")
    w("- **ZELK in process**: `build-release/bench/compare_bench` (Google Benchmark, "
      "Release): the digit wrappers of number/ (`sqrtprec`, `expprec`, `lnprec`, "
      "`logprec`, `powprec`, `pi`, `sinprec` ... `acosprec`, `factorial` (gamma(0.5) as "
      "(-0.5)!), `quotprec`, the exact product); sinh and asinh as the engine computes "
      "them, typed as keys into a `Calculator` (display text included). The caches of pi "
      "and ln 10 are cleared before every call, back to what a fresh process holds: their "
      "tables of 6400 decimals, from which pi and ln 10 are cut, not computed, up to that "
      "many digits.")
    w("- **ZELK process**: `build-release/zelkc --precision D KEYS`, one computation per "
      "process, start-up (see above) and display included (e.g. `2[Inv][x^2]`, `[Radians]1[sin]`, "
      "`0,5[+/-][n!]`, `1000[n!]`); the exact product is measured in process only.")
    w("- Above 6000 digits: the exact product of two D-digit integers (MPFR column: GMP's "
      "`mpz_mul`), and pi computed from nothing (ZELK's caches cleared back to the table, "
      "MPFR's `mpfr_const_pi` with its cache emptied); sin(10^1000000) at 40 digits in "
      "radians (`sinprec`, MPFR's `mpfr_sin` of the exact power of ten).")
    w("- **bc**: `bc -l` with `scale` = D; s(), c(), a(), l(), e() and sqrt; "
      "log10, powers, pi, tan, asin, acos, sinh and asinh derived from them with five "
      "guard digits; gamma(0.5) by the lower incomplete gamma series (bc has no gamma); "
      "1000!, a*b exact. bc's a(1) returns a stored constant up to 60 digits, so "
      "atan(1) and pi cost it next to nothing at 40 digits. Repeated n times in one "
      "process; the time of the same process with no repetition is subtracted.")
    w("- **Python decimal**: context precision D; the module's sqrt, exp, ln, log10 and "
      "powers; pi, sin and cos by the recipes of the module's documentation; tan, atan "
      "(halvings and the Taylor series), asin, acos, sinh, asinh and gamma (the same "
      "series as bc's) derived, with five guard digits "
      "(bench/compare/decimal_tasks.py).")
    w("- **calc**: its built-in functions with epsilon 10^-D (a slightly different epsilon "
      "each repetition, so that its pi and ln caches do not carry over), display D + 2 "
      "decimals; gamma from its `specialfunctions` library at epsilon(10^-D); 1000!, "
      "1/7, a/b and a*b are exact rationals in calc.")
    w("- **MPFR**: bench/compare/mpfr_tasks.c at ⌈D log2 10⌉ + 4 bits, correctly "
      "rounded functions (`mpfr_gamma`, `mpfr_fac_ui`, ...), the caches emptied every "
      "repetition.")
    w("- Operands of a/b and a*b: D-digit integers from one linear congruential "
      "generator shared by all programs.")
    w("- Times are processor time, so that other jobs on the machine do not inflate "
      "them; every program here computes on one thread.")
    w("")
    w("## Versions")
    w("")
    w(f"- ZELK source: {getattr(options, 'source', 'unknown')}")
    for k, v in versions.items():
        w(f"- {k}: {v}")
    w("")
    w("## Machine")
    w("")
    w(f"- Processors (`nproc`): {mach['nproc']}")
    w(f"- CPU: {mach['cpu']}")
    w(f"- Memory: {mach['memory']}")
    w(f"- Kernel: Linux {mach['kernel']}")
    w(f"- Compiler: {mach['compiler']}, CMake build type Release: -O3 and link-time "
      "optimisation, as `make build` (RelWithDebInfo here), which adds debug information "
      "only; the same code")
    w(f"- Load average at start and end: {options.load_start}, {options.load_end}")
    w("")
    w("## Re-running")
    w("")
    w("    make compare")
    w("")
    w("installs what is missing (bc, apcalc, libmpfr-dev, libgmp-dev, hyperfine, "
      "python3-mpmath), builds `build-release/` (Release, benchmarks and zelkc) and "
      "the MPFR program, runs the comparison and rewrites this file. Subsets for "
      "development go through `COMPARE_ARGS`, e.g.")
    w("")
    w("    make compare COMPARE_ARGS='--digits 40,1000 --tasks sqrt2,pi --rounds 40:3,1000:3 "
      "--out /tmp/performance.md'")
    w("")
    w("`bench/compare/compare.py --help` lists the options; the raw samples of the last "
      "run are in `build-release/compare/results.json`, and "
      "`bench/compare/compare.py --from-json build-release/compare/results.json` writes "
      "this file again from them without running anything.")
    w("")
    with open(path, "w") as f:
        f.write("\n".join(out))


# -- main -----------------------------------------------------------------------------

def parse_rounds(text):
    rounds = {}
    for part in text.split(","):
        d, n = part.split(":")
        rounds[int(d)] = int(n)
    return rounds


# What the report needs from the options of the run it describes.
SAVED_OPTIONS = ["rounds_for", "slow", "timeout", "startup_runs", "load_start", "load_end",
                 "source"]


def source_state():
    """The commit measured, and whether the engine's sources differ from it."""
    def git(*args):
        p = subprocess.run(["git", "-C", ROOT, *args], capture_output=True, text=True)
        return p.stdout.strip() if p.returncode == 0 else ""
    commit = git("log", "-1", "--format=%h %s")
    if not commit:
        return "unknown (not a git work tree)"
    changed = git("status", "--porcelain", "--", "number", "calc", "cli")
    return commit + (" (with uncommitted changes in number/, calc/ or cli/)"
                     if changed else "")


def rewrite(options):
    """The report again from a results.json, without running anything."""
    with open(options.from_json) as f:
        data = json.load(f)
    for k, v in data["options"].items():
        setattr(options, k, v)
    options.rounds_for = {int(d): n for d, n in options.rounds_for.items()}
    options.startup_results = data["startup"]
    results = [{"task": c["task"], "label": c["label"], "digits": c["digits"],
                "cells": {k: Column.from_json(v) for k, v in c["columns"].items()}}
               for c in data["cells"]]
    start = datetime.datetime.fromisoformat(data["start"])
    write_report(options.out, results, start, data["versions"], data["machine"], options,
                 data["elapsed"])
    log(f"wrote {options.out} from {options.from_json}")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    build = os.path.join(ROOT, "build-release")
    ap.add_argument("--bench", default=os.path.join(build, "bench", "compare_bench"))
    ap.add_argument("--zelkc", default=os.path.join(build, "zelkc"))
    ap.add_argument("--mpfr", default=os.path.join(build, "compare", "mpfr_tasks"))
    ap.add_argument("--out", default=os.path.join(ROOT, "docs", "performance.md"))
    ap.add_argument("--json", default=os.path.join(build, "compare", "results.json"))
    ap.add_argument("--digits", default="40,1000,6000,20000,100000,1000000",
                    help="digit counts; a task runs at those of its own among them")
    ap.add_argument("--tasks", default=",".join(t.name for t in TASKS))
    ap.add_argument("--columns", default=",".join(COLUMNS),
                    help="columns to run: " + ",".join(COLUMNS))
    ap.add_argument("--rounds", default="40:5,1000:5,6000:3,20000:3,100000:3,1000000:2",
                    help="rounds per digit count, DIGITS:ROUNDS,...")
    ap.add_argument("--target", type=float, default=0.2,
                    help="seconds a timed run of a peer should last (repetitions grow to it)")
    ap.add_argument("--max-reps", type=int, default=100000)
    ap.add_argument("--min-time", type=float, default=0.2,
                    help="Google Benchmark's minimum time per ZELK in-process sample")
    ap.add_argument("--slow", type=float, default=5.0,
                    help="a column whose first run takes longer runs once")
    ap.add_argument("--timeout", type=float, default=peers.PEER_TIMEOUT)
    ap.add_argument("--startup-runs", type=int, default=300)
    ap.add_argument("--no-startup", action="store_true")
    ap.add_argument("--from-json", metavar="RESULTS",
                    help="only rewrite the report from the raw results of an earlier run")
    options = ap.parse_args()
    if options.from_json:
        rewrite(options)
        return

    digit_list = [int(d) for d in options.digits.split(",")]
    wanted = options.tasks.split(",")
    unknown = [t for t in wanted if t not in peers.TASK_BY_NAME]
    if unknown:
        ap.error(f"unknown tasks {unknown}; known: {[t.name for t in TASKS]}")
    columns = options.columns.split(",")
    options.rounds_for = parse_rounds(options.rounds)
    for d in digit_list:
        options.rounds_for.setdefault(d, 3)

    workdir = tempfile.mkdtemp(prefix="zelk-compare-")
    # The build tree may be rebuilt while this runs (it is shared with `make
    # bench` and other work): every cell times the same copies.
    for attr in ("bench", "zelkc", "mpfr"):
        path = getattr(options, attr)
        if os.path.exists(path):
            copy = os.path.join(workdir, os.path.basename(path))
            shutil.copy2(path, copy)
            setattr(options, attr, copy)
    options.source = source_state()
    available = {
        "zelk": peers.ZelkInProcess(options.bench, options.min_time),
        "zelkc": peers.ZelkProcess(options.zelkc),
        "bc": peers.Bc(),
        "decimal": peers.PyDecimal(),
        "calc": peers.Calc(workdir),
        "mpfr": peers.Mpfr(options.mpfr),
    }
    programs = {c: available[c] for c in columns}
    for c, exe in (("zelk", options.bench), ("zelkc", options.zelkc), ("mpfr", options.mpfr),
                   ("bc", "bc"), ("calc", "calc")):
        if c in programs and shutil.which(exe) is None:
            sys.exit(f"compare.py: {exe} not found (run `make compare`)")

    start = datetime.datetime.now(datetime.timezone.utc)
    t0 = time.monotonic()
    options.load_start = " ".join(f"{x:.2f}" for x in os.getloadavg())
    results = []
    for d in digit_list:
        for task in TASKS:
            if task.name not in wanted or d not in task.digits:
                continue
            rounds = options.rounds_for[d]
            c0 = time.monotonic()
            cells = run_cell(task, d, programs, rounds, options)
            results.append({"task": task.name, "label": task.label, "digits": d, "cells": cells})
            log(f"{task.label:>30} {d:>5}: "
                + "  ".join(f"{c}={status_text(cells[c], options) or fmt_time(cells[c].median())}"
                            for c in COLUMNS)
                + f"  [{time.monotonic() - c0:.0f} s]")

    options.startup_results = []
    if not options.no_startup and "zelkc" in programs:
        log("start-up ...")
        options.startup_results = startup(options.zelkc, workdir, options.startup_runs)
    options.load_end = " ".join(f"{x:.2f}" for x in os.getloadavg())
    elapsed = time.monotonic() - t0

    versions = peers.versions(options.zelkc, options.mpfr)
    mach = machine()
    write_report(options.out, results, start, versions, mach, options, elapsed)
    os.makedirs(os.path.dirname(options.json), exist_ok=True)
    with open(options.json, "w") as f:
        json.dump({"start": start.isoformat(), "elapsed": elapsed, "versions": versions,
                   "machine": mach, "startup": options.startup_results,
                   "options": {k: getattr(options, k) for k in SAVED_OPTIONS},
                   "cells": [{**{k: v for k, v in r.items() if k != "cells"},
                              "columns": {c: r["cells"][c].as_json() for c in COLUMNS}}
                             for r in results]}, f, indent=1)
    shutil.rmtree(workdir, ignore_errors=True)
    log(f"wrote {options.out} ({elapsed / 60:.1f} min)")


if __name__ == "__main__":
    main()
