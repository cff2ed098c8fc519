#!/usr/bin/env python3
"""Accuracy sweep: every function key and the four operations through zelkc,
against mpmath.

For each function and precision P, random arguments over the magnitude range
and both signs are typed into zelkc (one process per precision, one line per
case) and the display is compared with the true value computed by mpmath
with many more digits. The error is measured in units of the last digit the
display shows (P + 1 significant digits, or P decimal places below 1): a
correctly rounded display is within 0.5 units; anything beyond is reported
as a failure.

The special points of tools/specialpoints.py follow: every zero, pole,
branch point and end of range of each key approached by 10^-k in every
angle unit. There a display is also wrong when it shows 0 or a message
where the true value is non-zero and defined, or a value where there is
none; a message of the end of the range is right only beyond it.

    tools/accuracy.py                      # the full sweep, writes docs/accuracy.md
    tools/accuracy.py --quick              # the small deterministic subset CI runs
    tools/accuracy.py --only sin,ln -P 40  # a part of it
    tools/accuracy.py --special-only --zelkc other/zelkc   # only the special points

Exit status 1 when a case is off by more than its allowance.
"""

import argparse
import os
import random
import re
import select
import subprocess
import sys
import time

from decimal import Decimal
from fractions import Fraction

import mpmath
from mpmath import mp, mpf

import midpoints
import specialpoints

# Displays of 6000 digits are longer than Python reads into an int by default.
if hasattr(sys, "set_int_max_str_digits"):
    sys.set_int_max_str_digits(0)

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..")


# -- typing arguments -----------------------------------------------------------------

keysfor = specialpoints.keysfor


def decimal(rng, lowexp, highexp, digits, negative=False):
    """A random decimal text with up to `digits` significant digits and a
    magnitude between 10^lowexp and 10^highexp."""
    n = rng.randint(1, digits)
    mant = str(rng.randint(1, 9)) + "".join(str(rng.randint(0, 9)) for _ in range(n - 1))
    e = rng.randint(lowexp, highexp)
    text = mant[0] + ("." + mant[1:] if n > 1 else "") + ("e%d" % e if e else "")
    return ("-" if negative else "") + text


def dmsargument(rng, digits):
    """Degrees whose minutes and seconds lie near the carries that rounding
    in the d.mmss fields meets (x.9999..., 59'59.99..."), or random ones."""
    whole = str(rng.choice([0, 1, 3, 9, 12, 59, 99, 359, 9999]))
    kind = rng.random()
    if kind < 0.3:
        return whole + "." + "9" * rng.randint(1, max(1, digits))
    if kind < 0.5:
        # 59 minutes and 59.99... seconds: 1 - a few units of 10^-k degrees.
        k = rng.randint(4, max(5, digits))
        return str(Decimal(whole) + 1 - Decimal(rng.randint(1, 9)).scaleb(-k))
    if kind < 0.6:
        return whole + ".4999" + "9" * rng.randint(0, max(0, digits - 4))
    return decimal(rng, -2, 3, min(digits, 20))


def anysign(rng, lowexp, highexp, digits):
    return decimal(rng, lowexp, highexp, digits, rng.random() < 0.5)


def cancelling(rng, P, negate):
    """Two operands of P + 5 to P + 40 digits whose difference (or sum, the
    second negated) is small: they agree in their leading P + 2 or more."""
    length = P + rng.randint(5, 40)
    a = str(rng.randint(1, 9)) + "".join(str(rng.randint(0, 9)) for _ in range(length - 1))
    same = rng.randint(P + 2, length - 1)
    b = a[:same] + "".join(str(rng.randint(0, 9)) for _ in range(length - same))
    e = rng.randint(-20, 20)
    x = a[0] + "." + a[1:] + "e%d" % e
    y = b[0] + "." + b[1:] + "e%d" % e
    return (x, "-" + y) if negate else (x, y)


# -- the functions ------------------------------------------------------------------------

exact = specialpoints.exact
tompf = specialpoints.tompf


def todms(text, P):
    """Decimal degrees to d.mmss as the display at P digits shows it."""
    return tompf(specialpoints.dmsvalue(text, P))


def fromdms(text):
    x = exact(text)
    sign = -1 if x < 0 else 1
    x = abs(x)
    d = x.numerator // x.denominator
    f = (x - d) * 100
    m = f.numerator // f.denominator
    s = (f - m) * 100
    return tompf(sign * (d + Fraction(m, 60) + s / 3600))


def angle(fn, right):
    """fn of an angle typed in a unit with the given right angle (90 degrees,
    100 grads), reduced exactly: at multiples of a right angle the values
    are exact (a zero that mpmath's pi would leave at 10^-(P+40)), and the
    tangent of an odd multiple has none."""
    def f(text):
        a = exact(text) % (4 * right)
        quadrant, rest = divmod(a, right)
        if rest == 0:
            sine = [0, 1, 0, -1][int(quadrant)]
            cosine = [1, 0, -1, 0][int(quadrant)]
            if fn is mpmath.sin:
                return mpf(sine)
            if fn is mpmath.cos:
                return mpf(cosine)
            return None if cosine == 0 else mpf(0)
        return fn(tompf(a) * mpmath.pi / (2 * right))
    return f


def deg(x):
    return x * mpmath.pi / 180


def cbrt(x):
    return mpmath.cbrt(x) if x >= 0 else -mpmath.cbrt(-x)


def unary(keys, fn, gen, text=False):
    return {"kind": "unary", "keys": keys, "fn": fn, "gen": gen, "text": text}


def binary(key, fn, gen):
    return {"kind": "binary", "keys": key, "fn": fn, "gen": gen}


FUNCTIONS = {
    "ln": unary("[ln]", mpmath.log, lambda r, d: decimal(r, -300, 300, d)),
    "e^x": unary("[Inv][ln]", mpmath.exp, lambda r, d: anysign(r, -6, 3, d)),
    "log": unary("[log]", mpmath.log10, lambda r, d: decimal(r, -300, 300, d)),
    "10^x": unary("[Inv][log]", lambda x: mpf(10) ** x, lambda r, d: anysign(r, -6, 2, d)),
    "x^2": unary("[x^2]", lambda x: x * x, lambda r, d: anysign(r, -100, 100, d)),
    "sqrt": unary("[Inv][x^2]", mpmath.sqrt, lambda r, d: decimal(r, -100, 100, d)),
    "x^3": unary("[x^3]", lambda x: x ** 3, lambda r, d: anysign(r, -60, 60, d)),
    "cbrt": unary("[Inv][x^3]", cbrt, lambda r, d: anysign(r, -100, 100, d)),
    "1/x": unary("[1/x]", lambda x: 1 / x, lambda r, d: anysign(r, -100, 100, d)),
    "n!": unary("[n!]", lambda x: mpmath.gamma(x + 1),
                lambda r, d: str(r.randint(0, 200)) if r.random() < 0.4
                else decimal(r, -2, 1, d if d <= 1000 and r.random() < 0.25 else min(d, 12), False)),
    "sin deg": unary("[Degrees][sin]", angle(mpmath.sin, 90), lambda r, d: anysign(r, -3, 5, d),
                     text=True),
    "cos deg": unary("[Degrees][cos]", angle(mpmath.cos, 90), lambda r, d: anysign(r, -3, 5, d),
                     text=True),
    "tan deg": unary("[Degrees][tan]", angle(mpmath.tan, 90), lambda r, d: anysign(r, -3, 5, d),
                     text=True),
    "sin rad": unary("[Radians][sin]", mpmath.sin, lambda r, d: anysign(r, -10, 10, d)),
    "cos rad": unary("[Radians][cos]", mpmath.cos, lambda r, d: anysign(r, -10, 10, d)),
    "tan rad": unary("[Radians][tan]", mpmath.tan, lambda r, d: anysign(r, -10, 10, d)),
    "sin grad": unary("[Grads][sin]", angle(mpmath.sin, 100), lambda r, d: anysign(r, -3, 5, d),
                      text=True),
    "asin": unary("[Radians][Inv][sin]", mpmath.asin, lambda r, d: anysign(r, -20, -1, d)),
    "acos": unary("[Radians][Inv][cos]", mpmath.acos, lambda r, d: anysign(r, -20, -1, d)),
    "atan": unary("[Radians][Inv][tan]", mpmath.atan, lambda r, d: anysign(r, -30, 30, d)),
    "asin deg": unary("[Degrees][Inv][sin]", lambda x: mpmath.asin(x) * 180 / mpmath.pi,
                      lambda r, d: anysign(r, -20, -1, d)),
    "sinh": unary("[Hyp][sin]", mpmath.sinh, lambda r, d: anysign(r, -30, 2, d)),
    "cosh": unary("[Hyp][cos]", mpmath.cosh, lambda r, d: anysign(r, -30, 2, d)),
    "tanh": unary("[Hyp][tan]", mpmath.tanh, lambda r, d: anysign(r, -30, 2, d)),
    "asinh": unary("[Hyp][Inv][sin]", mpmath.asinh, lambda r, d: anysign(r, -30, 30, d)),
    "acosh": unary("[Hyp][Inv][cos]", mpmath.acosh, lambda r, d: decimal(r, 0, 30, d)),
    "atanh": unary("[Hyp][Inv][tan]", mpmath.atanh, lambda r, d: anysign(r, -30, -1, d)),
    "dms": dict(unary("[dms]", todms, lambda r, d: dmsargument(r, d), text=True), withP=True),
    "dms back": unary("[Inv][dms]", fromdms, lambda r, d: decimal(r, -2, 3, min(d, 20)), text=True),
    "+": binary("+", lambda x, y: x + y,
                lambda r, d: (anysign(r, -50, 50, d), anysign(r, -50, 50, d))),
    "-": binary("-", lambda x, y: x - y,
                lambda r, d: (anysign(r, -50, 50, d), anysign(r, -50, 50, d))),
    # Operands longer than the shown digits that agree beyond them: the
    # difference must come out exact, not 0 or cut.
    "+ cancel": dict(binary("+", lambda x, y: tompf(exact(x) + exact(y)),
                            lambda r, P: cancelling(r, P, True)), text=True, fullP=True),
    "- cancel": dict(binary("-", lambda x, y: tompf(exact(x) - exact(y)),
                            lambda r, P: cancelling(r, P, False)), text=True, fullP=True),
    "*": binary("*", lambda x, y: x * y,
                lambda r, d: (anysign(r, -50, 50, d), anysign(r, -50, 50, d))),
    "/": binary("/", lambda x, y: x / y,
                lambda r, d: (anysign(r, -50, 50, d), anysign(r, -50, 50, d))),
    "x^y": binary("[x^y]", lambda x, y: x ** y,
                  lambda r, d: (decimal(r, -5, 5, d), anysign(r, -3, 1, d))),
    "root": binary("[Inv][x^y]", lambda x, y: x ** (1 / y),
                   lambda r, d: (decimal(r, -5, 5, d), anysign(r, -2, 1, d))),
}


# -- running and judging ----------------------------------------------------------------

# A display is correctly rounded within half a unit of its last digit; the
# true value is known to 10^-30 units, far inside the slack.
HALFUNIT = 0.5 + 1e-9

def shownunit(text, want, P):
    """The value the display text stands for, and the unit of the last digit
    the display of the true value shows: a 0 shown for a small non-zero
    result is an error of many units, not of one."""
    v = mpf(text.replace(",", "."))
    mp.dps = P + 40
    w = midpoints.todecimal(want, P + 30) if want != 0 else Decimal(0)
    if w == 0:
        return v, mpf(10) ** (-P)
    return v, mpf(str(midpoints.unit(w, P)))


def cases_for(name, entry, P, count, rng):
    digits = min(P + 2, 60)
    out = []
    for _ in range(count):
        args = entry["gen"](rng, P if entry.get("fullP") else digits)
        args = args if isinstance(args, tuple) else (args,)
        if entry["kind"] == "unary":
            keys = "[C]" + keysfor(args[0]) + entry["keys"]
        else:
            keys = "[C]" + keysfor(args[0]) + entry["keys"] + keysfor(args[1]) + "="
        out.append((args, keys))
    return out


def truth(entry, args, P):
    mp.dps = P + 40
    try:
        if entry.get("withP"):
            return entry["fn"](*args, P)
        if entry.get("text"):
            return entry["fn"](*args)
        return entry["fn"](*[mpf(a) for a in args])
    except (ValueError, ZeroDivisionError):
        return None


def run(zelkc, P, lines, timeout):
    proc = subprocess.run([zelkc, "--precision", str(P)], input="\n".join(lines) + "\n",
                          capture_output=True, text=True, timeout=timeout)
    return proc.stdout.splitlines()


PLAN_FULL = {1: 40, 5: 40, 40: 60, 100: 30, 1000: 6, 6000: 1}
PLAN_QUICK = {1: 6, 40: 8, 100: 3}


def sweep(zelkc, names, plan, seed):
    rng = random.Random(seed)
    results = {}  # (name, P) -> list of (error units, args, shown, keys)
    for P, count in plan.items():
        for name in names:
            function = FUNCTIONS[name]
            cases = cases_for(name, function, P, count, rng)
            t0 = time.monotonic()
            shown = run(zelkc, P, [k for _, k in cases], timeout=3600)
            for (args, keys), text in zip(cases, shown):
                want = truth(function, args, P)
                entry = results.setdefault((name, P), [])
                if want is None or not mpmath.isfinite(want):
                    continue
                try:
                    value, unit = shownunit(text, want, P)
                except (ValueError, IndexError):
                    entry.append((None, args, text, keys))  # an error message
                    continue
                mp.dps = P + 40
                entry.append((abs(value - want) / unit, args, text, keys))
            print("%-10s P=%-5d %3d cases %6.1f s" % (name, P, len(cases), time.monotonic() - t0),
                  file=sys.stderr)
    return results


def midpointsweep(zelkc, names, plan, seed):
    """The near-midpoint cases of tools/midpoints.py for each function at each
    precision of the plan: the worst error of each function."""
    rng = random.Random(seed + 1)
    worst = {}  # name -> (cases, worst error, failures)
    for P, count in plan.items():
        n = max(1, min(3, count // 10))
        for name in names:
            key = name.replace(" cancel", "")
            if key not in midpoints.NAMES or (P == 6000 and key not in midpoints.AT6000):
                continue
            if key in midpoints.KEYS and P > midpoints.KEYS[key]["maxP"]:
                continue
            cases = [midpoints.case(key, P, rng) for _ in range(n)]
            shown = run(zelkc, P, ["[C]" + k for k, _ in cases], timeout=3600)
            entry = worst.setdefault(name, [0, 0, []])
            for (keys, value), text in zip(cases, shown):
                mp.dps = 2 * P + 100
                want = mpf(str(value))
                entry[0] += 1
                try:
                    v, u = shownunit(text, want, P)
                    mp.dps = 2 * P + 100
                    e = abs(v - want) / u
                except (ValueError, IndexError):
                    e = None
                # The error beside a midpoint is 0.5 either way, to 20 places:
                # the display itself is judged.
                if e is None or text != midpoints.displaytext(value, P):
                    entry[2].append((name, P, keys, text, e))
                elif e > entry[1]:
                    entry[1] = e
            print("%-10s P=%-5d %3d near-midpoint cases" % (name, P, n), file=sys.stderr)
    return worst


def report(results, plan, names, nearmid=None):
    lines = ["# Accuracy", "",
             "Written by `tools/accuracy.py`: random arguments typed through `zelkc`, each",
             "display compared with mpmath %s. The table gives the number of cases and the" % mpmath.__version__,
             "worst error in units of the last shown digit (0.5 is correctly rounded; more",
             "is a failure); `err` counts displays that were an error message although",
             "mpmath has a value.", "",
             "The last column holds the cases of `tools/midpoints.py`, at every precision",
             "together: true results within 10^-20 to 10^-30 units of a rounding midpoint.",
             "Either display is then 0.5 units off to 20 places, so each is compared with",
             "mpmath's correctly rounded display; `over` counts the ones that differ.", "",
             "| function | " + " | ".join("P=%d" % P for P in plan) + " | near midpoints |",
             "|---|" + "---|" * (len(plan) + 1)]
    failures = []
    for name in names:
        cells = []
        for P in plan:
            entry = results.get((name, P), [])
            errors = [e for e, *_ in entry if e is not None]
            messages = [x for x in entry if x[0] is None]
            worst = max(errors) if errors else 0
            cell = "%d: %.2f" % (len(entry), float(worst))
            if messages:
                cell += ", %d err" % len(messages)
            cells.append(cell)
            for e, args, text, keys in entry:
                if e is None or e > HALFUNIT:
                    failures.append((name, P, args, text, keys, e))
        mid = (nearmid or {}).get(name)
        if mid:
            cells.append("%d: %.2f" % (mid[0], float(mid[1])) +
                         (", %d over" % len(mid[2]) if mid[2] else ""))
            for n, P, keys, text, e in mid[2]:
                failures.append((n + " near midpoint", P, (keys[:50],), text, keys, e))
        else:
            cells.append("")
        lines.append("| %s | %s |" % (name, " | ".join(cells)))
    lines.append("")
    if failures:
        lines += ["## Cases beyond half a unit", "", "| function | P | arguments | shown | error |",
                  "|---|---|---|---|---|"]
        for name, P, args, text, keys, e in failures:
            lines.append("| %s | %d | %s | %s | %s |" % (
                name, P, " ".join(args), text[:60], "message" if e is None else "%.2f" % float(e)))
    return "\n".join(lines) + "\n", failures


# -- special points -----------------------------------------------------------------------

class Zelkc:
    """One zelkc at one precision, typed a line at a time so that each
    display has its own time: a line that gives no display within its time
    is a hang, and one that ends the process a crash; either way the
    process is ended and a new one types the lines after it."""

    def __init__(self, path, P):
        self.path, self.P, self.proc = path, P, None

    def start(self):
        self.proc = subprocess.Popen([self.path, "--precision", str(self.P)],
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, bufsize=0)
        self.buffer = b""

    def close(self):
        if self.proc is not None:
            if self.proc.poll() is None:
                self.proc.kill()
            self.proc.wait()
            self.proc = None

    def type(self, keys, timeout):
        """(display text, seconds, None), or (None, seconds, "hang" or
        "crash")."""
        if self.proc is None:
            self.start()
        t0 = time.monotonic()
        try:
            self.proc.stdin.write(keys.encode() + b"\n")
        except BrokenPipeError:
            self.close()
            return None, 0.0, "crash"
        fd = self.proc.stdout.fileno()
        while b"\n" not in self.buffer:
            left = timeout - (time.monotonic() - t0)
            if left <= 0 or not select.select([fd], [], [], left)[0]:
                self.close()
                return None, time.monotonic() - t0, "hang"
            chunk = os.read(fd, 1 << 16)
            if not chunk:
                self.close()
                return None, time.monotonic() - t0, "crash"
            self.buffer += chunk
        line, _, self.buffer = self.buffer.partition(b"\n")
        return line.decode(), time.monotonic() - t0, None


RANGEWORDS = re.compile(r"overflow|underflow|too big|too small|out of range", re.I)


def isnumber(text):
    try:
        mpf(text.replace(",", "."))
        return True
    except (ValueError, TypeError):
        return False


def beyondrange(want):
    """The true value lies where the arithmetic's range ends."""
    if want == 0:
        return False
    mp.dps = 30
    return abs(mpmath.log10(abs(mpf(str(want))))) > specialpoints.RANGEEDGE


def judge(family, args, P, text, failure):
    """(verdict, error in units or None, expected display) of one display:
    verdict None when right, else what is wrong with it."""
    want = family.value(args, P)
    expected = specialpoints.display(want, P, family.dms)
    if failure:
        return failure, None, expected
    number = isnumber(text)
    if want is None:
        return (None if not number else "a value where there is none"), None, expected
    if not number:
        if not beyondrange(want):
            return "message", None, expected
        return (None if RANGEWORDS.search(text) else "not a range message"), None, expected
    if family.dms:
        shown = Decimal(text.replace(",", "."))
        unit = midpoints.unit(want, P) if want != 0 else Decimal(1).scaleb(-P)
        error = abs(shown - want) / unit
        return (None if error == 0 else "off"), mpf(str(error)), expected
    value, unit = shownunit(text, want, P)
    mp.dps = P + 40
    error = abs(value - want) / unit
    if error <= HALFUNIT:
        return None, error, expected
    return ("0 shown" if value == 0 else "off"), error, expected


def iszero(family, args, P):
    want = family.value(args, P)
    return want is not None and want == 0


def specialplan(quick):
    """Precision -> (distances, families filter): every family at each
    precision, and a few at 6000 digits."""
    if quick:
        return {P: (specialpoints.distances(P, quick=True), None) for P in (1, 8, 40, 100)}
    plan = {P: (specialpoints.distances(P), None) for P in (1, 3, 8, 17, 40, 100, 1000)}
    plan[6000] = (specialpoints.DISTANCES6000,
                  lambda f: (f.key, f.label) in specialpoints.AT6000)
    return plan


def specialsweep(zelkc, plan, names, timeout):
    """Every case of the plan, and the hand-picked rows at their own
    precisions: a list of records."""
    families = specialpoints.families()
    rows = specialpoints.rows()
    records = []
    for P in sorted(set(plan) | {P for f in rows for P in f.at}):
        ks, keep = plan.get(P, ([], lambda f: False))
        chosen = [f for f in families if (keep is None or keep(f))] + rows
        runner = Zelkc(zelkc, P)
        t0 = time.monotonic()
        count = 0
        for family in chosen:
            if names and family.key not in names:
                continue
            for k, side, args, keys in family.cases(P, ks):
                text, seconds, failure = runner.type(keys, timeout)
                verdict, error, expected = judge(family, args, P, text, failure)
                nonzero = expected not in ("0", "-0", "(no value)") or not iszero(family, args, P)
                records.append({"key": family.key, "label": family.label, "P": P, "k": k,
                                "nonzero": nonzero,
                                "side": side, "keys": keys, "shown": text or failure,
                                "expected": expected, "error": error, "verdict": verdict,
                                "seconds": seconds})
                count += 1
        runner.close()
        print("special points P=%-5d %5d cases %7.1f s" % (P, count, time.monotonic() - t0),
              file=sys.stderr)
    return records


def units(error):
    """An error in units for the report: two decimals, or its size."""
    return "%.2f" % float(error) if error < 100 else mpmath.nstr(error, 2)


def abbreviate(text, width=70):
    """Keys or a display for the report: runs of one digit as <9 x28>, long
    digit strings cut to their first digits and their length."""
    text = re.sub(r"(\d)\1{9,}", lambda m: "<%s x%d>" % (m.group(1), len(m.group(0))), text)
    text = re.sub(r"\d{31,}", lambda m: m.group(0)[:16] + "...<%d digits>" % len(m.group(0)),
                  text)
    return text if len(text) <= width else text[:width - 3] + "..."


def ranges(ks):
    """Distances as compact ranges: 1-28, 40, 120."""
    ks = sorted(set(ks))
    out = []
    for k in ks:
        if out and k == out[-1][1] + 1:
            out[-1][1] = k
        else:
            out.append([k, k])
    return ", ".join(str(a) if a == b else "%d-%d" % (a, b) for a, b in out)


def specialreport(records):
    """The table of cases and worst errors per key and precision, the
    failures grouped by key, family and precision, and the slowest keys."""
    Ps = sorted({r["P"] for r in records})
    keys = []
    for name in [f.key for f in specialpoints.families()] + [r["key"] for r in records]:
        if name not in keys and any(r["key"] == name for r in records):
            keys.append(name)
    lines = ["## Special points", "",
             "Written by the same run from `tools/specialpoints.py`: every zero, pole, branch",
             "point and end of range of each key approached by 10^-k, from each side where",
             "the key is defined there, for k from 1 to P + 20, 2P + 40 and beyond (1000 at",
             "P <= 100, 5000 at P = 1000, as far as the entry holds), in every angle unit",
             "(in radians the points are multiples of pi/2 typed to k digits), with the",
             "points themselves where they can be typed. The true value comes from mpmath",
             "with the arguments' digits plus P plus %d digits; angles in degrees and grads" %
             specialpoints.MARGIN,
             "are reduced exactly first. A cell gives the cases and the worst error in units",
             "of the last shown digit among the displays that are numbers; `wrong` counts",
             "the displays off by more than half a unit, 0 for a non-zero value, a message",
             "where there is a value, a value where there is none, hangs and crashes. A",
             "message of the range's end is right only for values beyond 10^+-%d." %
             specialpoints.RANGEEDGE,
             "dms is judged by its display: the true degrees, minutes and seconds rounded",
             "to the shown digits, a field of 60 carried into the next.", "",
             "| key | " + " | ".join("P=%d" % P for P in Ps) + " |",
             "|---|" + "---|" * len(Ps)]
    for key in keys:
        cells = []
        for P in Ps:
            rs = [r for r in records if r["key"] == key and r["P"] == P]
            if not rs:
                cells.append("")
                continue
            errors = [r["error"] for r in rs if r["error"] is not None]
            worst = max(errors) if errors else 0
            cell = "%d: %s" % (len(rs), units(worst))
            wrong = sum(1 for r in rs if r["verdict"])
            if wrong:
                cell += ", **%d wrong**" % wrong
            cells.append(cell)
        lines.append("| %s | %s |" % (key, " | ".join(cells)))
    lines.append("")
    failures = [r for r in records if r["verdict"]]
    if failures:
        lines += ["### Special points shown wrong", "",
                  "Grouped by key and family: at each precision the distances k that fail",
                  "(`=` for the points themselves, with how many of them), and the first",
                  "failing case.", "",
                  "| key | family | k wrong, by P | what | first keys | P | shown | expected |",
                  "|---|---|---|---|---|---|---|---|"]
        groups = {}
        for r in records:
            groups.setdefault((r["key"], r["label"]), []).append(r)
        for (key, label), rs in groups.items():
            bad = [r for r in rs if r["verdict"]]
            if not bad:
                continue
            byP = []
            for P in Ps:
                atP = [r for r in bad if r["P"] == P]
                if not atP:
                    continue
                ks = ranges(r["k"] for r in atP if r["k"] is not None)
                atpoint = sum(1 for r in atP if r["k"] is None)
                if atpoint:
                    ks = "%d at =" % atpoint + (", " + ks if ks else "")
                byP.append("P=%d: %s" % (P, ks))
            first = bad[0]
            what = sorted({r["verdict"] for r in bad})
            lines.append("| %s | %s | %s | %s | `%s` | %d | %s | %s |" % (
                key, label, "; ".join(byP), ", ".join(what), abbreviate(first["keys"]),
                first["P"], abbreviate(first["shown"], 40), abbreviate(first["expected"], 40)))
        lines.append("")
    zeros = [r for r in records if not r["verdict"] and r["expected"] in ("0", "-0")
             and r["nonzero"]]
    if zeros:
        lines += ["%d non-zero results (at P = %s) have 0 as their correctly rounded display:" %
                  (len(zeros), ", ".join(str(P) for P in sorted({r["P"] for r in zeros}))),
                  "the fixed form gives values from 10^-4 to 1 P places, and rounds those below",
                  "half a unit of the P-th place to 0 (`%s` shows `%s`). They count as right." %
                  (abbreviate(zeros[0]["keys"]), zeros[0]["shown"]), ""]
    slow = sorted((r for r in records if r["seconds"] > 1.0), key=lambda r: -r["seconds"])
    if slow:
        lines += ["### Special points slower than a second", "",
                  "| key | family | P | k | seconds | keys |", "|---|---|---|---|---|---|"]
        for r in slow[:30]:
            lines.append("| %s | %s | %d | %s | %.1f | `%s` |" % (
                r["key"], r["label"], r["P"], "=" if r["k"] is None else r["k"], r["seconds"],
                abbreviate(r["keys"])))
        lines.append("")
    return "\n".join(lines) + "\n", failures


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--zelkc", default=os.path.join(ROOT, "build", "zelkc"))
    parser.add_argument("--quick", action="store_true", help="the small subset CI runs")
    parser.add_argument("--only", help="comma-separated function names")
    parser.add_argument("-P", type=int, action="append", help="precisions (repeatable)")
    parser.add_argument("--seed", type=int, default=20261207)
    parser.add_argument("--out", help="write the report here (default docs/accuracy.md for a full run)")
    parser.add_argument("--special-only", action="store_true", help="only the special points")
    parser.add_argument("--no-special", action="store_true", help="no special points")
    parser.add_argument("--timeout", type=float, default=120,
                        help="seconds a special point may take before it counts as a hang")
    args = parser.parse_args()

    t0 = time.monotonic()
    names = args.only.split(",") if args.only else None
    text, failures = "", []
    # An oracle that disagrees with the values known by other means would
    # judge every display by a wrong measure.
    failures += specialpoints.selfcheck()
    for line in failures:
        print("oracle:", line, file=sys.stderr)
    if not args.special_only:
        randomnames = [n for n in names or FUNCTIONS if n in FUNCTIONS]
        plan = dict(PLAN_QUICK if args.quick else PLAN_FULL)
        if args.P:
            plan = {P: plan.get(P, 10) for P in args.P}
        results = sweep(args.zelkc, randomnames, plan, args.seed)
        nearmid = midpointsweep(args.zelkc, randomnames, plan, args.seed)
        text, failures = report(results, plan, randomnames, nearmid)
    if not args.no_special:
        plan = specialplan(args.quick)
        if args.P:
            plan = {P: plan.get(P, (specialpoints.distances(P), None)) for P in args.P}
        records = specialsweep(args.zelkc, plan, names, args.timeout)
        special, wrong = specialreport(records)
        text += ("\n" if text else "# Accuracy\n\n") + special
        failures += wrong
    minutes = (time.monotonic() - t0) / 60
    if not (args.quick or args.only or args.P or args.special_only or args.no_special):
        text += "\nThe full run took %.0f minutes on this machine.\n" % minutes
    out = args.out or (None if args.quick or args.only or args.P or args.special_only or args.no_special
                       else os.path.join(ROOT, "docs", "accuracy.md"))
    if out:
        with open(out, "w") as f:
            f.write(text)
        print("wrote", out, file=sys.stderr)
    else:
        print(text)
    print("%d failures, %.1f minutes" % (len(failures), minutes), file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
