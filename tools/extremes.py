#!/usr/bin/env python3
"""Every key of the calculator at the ends of the range of a number.

Types each key with extreme arguments (10^+-799999992, 10^+-400000000,
10^+-49999999, a long 9,99...e799999999, values just inside and just
outside the overflow and underflow thresholds of each function) into
build/zelkc at several precisions and sorts the displays:

    ok          a number, and where mpmath knows the key, the true value
                correctly rounded to the shown digits
    range       "number overflow" / "number underflow" for a true result
                beyond that side of the range
    invalid     a message of an invalid operation ("Invalid input for
                function", division by zero, a word-size conversion)
    edge        "number underflow" for a true result within the lowest
                digits of the range, where the digits to show it fall below
                the lowest limb a number has
    internal    any other message: a step inside the key, never what the
                user should see
    wrongside   overflow for a result below the range or the other way round
    misplaced   a range message for a result inside the range
    wrong       a number that is not the true value correctly rounded
    slow        a key that took over --slow seconds or --memory MB
    timeout     no display within --timeout seconds

    tools/extremes.py                      # every key at P 1 2 3 4 10 40 1000 6000
    tools/extremes.py -P 40 -k ln -k x^y   # some keys, some precisions
    tools/extremes.py --all                # list every case, not only findings

Keys whose functions belong to no reference here (trigonometric functions,
n!, dms) are checked for their messages and their time only. The script
exits 1 when a key showed an internal message, a wrong side or a wrong
number, 0 otherwise; slow keys and timeouts are reported.
"""

import argparse
import concurrent.futures
import os
import re
import signal
import subprocess
import sys
import time

import mpmath
from mpmath import mpf

sys.set_int_max_str_digits(0)  # displays of 6001 digits

HERE = os.path.dirname(os.path.abspath(__file__))
ZELKC = os.path.join(HERE, "..", "build", "zelkc")

PRECISIONS = [1, 2, 3, 4, 10, 40, 1000, 6000]

# The range of a number: limbs of 8 digits at powers -99999999 to 99999999,
# from 10^-799999992 (the smallest positive number) to below 10^800000000;
# made at the working precision where they are compared.
LOWEST = "1e-799999992"
ABOVE = "1e800000000"

INVALID = ("Invalid input for function", "Cannot divide by zero", "quot:division by zero",
           "getuint64:__uint64 overflow", "getint64:__int64 overflow",
           "getuint64:number is negativ")
RANGE = ("number overflow", "number underflow")

# Arguments: the key text that types them and their value. Thresholds:
# e^x leaves the range above ln 10^800000000 = 1842068074.39 and below
# ln 10^-799999992 = -1842068055.97, 10^x above 800000000 and below
# -799999992, x^2 above 10^400000000, x^3 above 10^266666666.67.
NINES = "9," + "9" * 60 + "E799999992"
# The key text of each argument; a '-' before a number is its sign.
ARGS = [
    "1E799999992", "-1E799999992", "1E-799999992", "-1E-799999992", "9E-799999992",
    "5E-799999992", NINES, "1E400000000", "1E-400000000", "1E399999990", "1E-399999990",
    "1E49999999", "-1E49999999", "1E-49999999", "3E399999999", "1E266666666", "1E266666667",
    "1E-266666664", "1E-266666665", "1842068074", "1842068075", "-1842068055", "-1842068056",
    "921034037", "-921034038", "799999999,9", "800000000", "-799999992", "-799999992,1",
    "0," + "9" * 50, "1," + "0" * 49 + "1", "-0," + "9" * 50,
]


def sign(v):
    return -1 if v < 0 else 1


# Stand-ins for results far beyond either end: mpmath would spell out the
# exponent of e^(10^799999992) in binary.
BEYOND = mpf("1e900000000")
BELOW = mpf("1e-900000000")


def exp(x):
    if abs(x) > 10**10:
        return BEYOND if x > 0 else BELOW
    return mpmath.exp(x)


def tenpower(x):
    if abs(x) > 10**10:
        return BEYOND if x > 0 else BELOW
    return mpmath.power(10, x)


def sinh(x):
    return sign(x) * BEYOND if abs(x) > 10**10 else mpmath.sinh(x)


def cosh(x):
    return BEYOND if abs(x) > 10**10 else mpmath.cosh(x)


def tanh(x):
    return mpf(sign(x)) if abs(x) > 10**10 else mpmath.tanh(x)


# The unary keys: key text, reference (None: messages and time only).
def cbrt(x):
    return sign(x) * mpmath.cbrt(abs(x))


def invalid(cond, fn):
    return lambda x: None if cond(x) else fn(x)


UNARY = [
    ("ln", "[ln]", invalid(lambda x: x <= 0, mpmath.log)),
    ("log", "[log]", invalid(lambda x: x <= 0, mpmath.log10)),
    ("e^x", "[Inv][ln]", exp),
    ("10^x", "[Inv][log]", tenpower),
    ("x^2", "[x^2]", lambda x: x * x),
    ("x^3", "[x^3]", lambda x: x * x * x),
    ("sqrt", "[Inv][x^2]", invalid(lambda x: x < 0, mpmath.sqrt)),
    ("cbrt", "[Inv][x^3]", cbrt),
    ("1/x", "[1/x]", lambda x: 1 / x),
    ("sinh", "[Hyp][sin]", sinh),
    ("cosh", "[Hyp][cos]", cosh),
    ("tanh", "[Hyp][tan]", tanh),
    ("asinh", "[Hyp][Inv][sin]", mpmath.asinh),
    ("acosh", "[Hyp][Inv][cos]", invalid(lambda x: x < 1, mpmath.acosh)),
    ("atanh", "[Hyp][Inv][tan]", invalid(lambda x: abs(x) >= 1, mpmath.atanh)),
    ("Int", "[Int]", None),
    ("Inv Int", "[Inv][Int]", None),
    ("n!", "[n!]", None),
    ("sin", "[sin]", None),
    ("cos", "[cos]", None),
    ("tan", "[tan]", None),
    ("asin", "[Inv][sin]", None),
    ("acos", "[Inv][cos]", None),
    ("atan", "[Inv][tan]", None),
    ("sin rad", "[Radians][sin]", None),
    ("cos rad", "[Radians][cos]", None),
    ("tan rad", "[Radians][tan]", None),
    ("atan rad", "[Radians][Inv][tan]", None),
    ("dms", "[dms]", None),
    ("Inv dms", "[Inv][dms]", None),
    ("Hex", "[Hex]", None),
]

# Operand pairs of the binary keys, by their key text.
PAIRS = [
    ("1E799999992", "1E799999992"), ("1E-799999992", "1E-799999992"),
    ("9E-799999992", "6E-799999992"), ("1E400000000", "1E400000000"),
    ("1E-400000000", "1E-400000000"), ("1E799999992", "1E-799999992"),
    ("1E-799999992", "1E799999992"), ("2", "1E799999992"), ("1E799999992", "2"),
    ("1E-799999992", "3"), ("3", "1E-799999992"), ("1E49999999", "7"), ("7", "1E-49999999"),
    (NINES, "1E799999992"), (NINES, "1"), ("1E799999992", NINES), (NINES, "1E7"),
    ("1E-799999992", "1E-7"), (NINES, NINES), ("1E799999992", "0,1"),
    ("1E-400000000", "2"), ("1E400000000", "2"), ("10", "799999999"), ("10", "800000000"),
    ("10", "-799999992"), ("10", "-799999993"), ("2", "2657542475"),
    ("2", "2657542476"), ("1E799999992", "0,5"), ("1E-799999992", "1E-799999992"),
    ("1E-799999992", "-1"), ("0,5", "1E9"), ("1,000001", "1E15"), ("0,999999", "1E15"),
    ("1E49999999", "1E49999999"), ("1E-49999999", "-1E49999999"), ("1E266666666", "3"),
    ("1E-266666664", "3"),
]


def valueof(keys):
    """The value typed by an operand's key text, at the working precision."""
    return mpf(keys.replace(",", ".").replace("E", "e"))


def integral(keys):
    """The typed value as (sign, m, e): sign m 10^e with m an integer."""
    text = keys.replace(",", ".").upper()
    negative = text.startswith("-")
    mantissa, _, exponent = text.lstrip("-").partition("E")
    whole, _, places = mantissa.partition(".")
    return (-1 if negative else 1), int(whole + places), int(exponent or 0) - len(places)


def fmod(x, y):
    """x mod y with the sign of x, exactly on the typed texts: the power of
    ten goes modulo y by Python's pow, so that 10^799999992 mod 7 is quick."""
    sx, mx, ex = integral(x)
    _, my, ey = integral(y)
    if my == 0:
        return None
    if len(str(mx)) + ex < len(str(my)) + ey - 1:  # |x| < |y|
        return sx * mpf(mx) * mpf(10) ** ex
    s = min(ex, ey)
    b = my * 10 ** (ey - s)
    r = (mx % b) * pow(10, ex - s, b) % b
    return sx * mpf(r) * mpf(10) ** s


fmod.texts = True


def power(x, y):
    if x == 0:
        return None if y < 0 else (mpf(1) if y == 0 else mpf(0))
    if x < 0 and y != int(y):
        return None
    magnitude = y * mpmath.log10(abs(x))
    if abs(magnitude) > 10**10:
        return BEYOND if magnitude > 0 else BELOW
    return mpmath.power(x, y)


def root(x, y):
    if x < 0 and not (y == int(y) and int(y) % 2 == 1):
        return None
    return power(abs(x), 1 / y) * sign(x)


BINARY = [
    ("+", "+", lambda x, y: x + y),
    ("-", "-", lambda x, y: x - y),
    ("*", "*", lambda x, y: x * y),
    ("/", "/", lambda x, y: x / y),
    ("Mod", "[Mod]", fmod),
    ("x^y", "[x^y]", power),
    ("root", "[Inv][x^y]", root),
]

# The integer radices: and, or, xor, shift, not, and values typed in the
# decimal radix and carried over.
INTEGER = [
    "[Hex]FFFFFFFFFFFFFFFF[And]FFFFFFFFFFFFFFFF=",
    "[Hex]FFFFFFFFFFFFFFFF[Or]1=",
    "[Hex]FFFFFFFFFFFFFFFF[Xor]FFFFFFFFFFFFFFFF=",
    "[Hex]1[Lsh]3F=",
    "[Hex]1[Lsh]40=",
    "[Hex]1[Lsh]FF=",
    "[Hex]8000000000000000[Inv][Lsh]3F=",
    "[Hex]FFFFFFFFFFFFFFFF[Not]",
    "[Hex]FFFFFFFFFFFFFFFF*FFFFFFFFFFFFFFFF=",
    "[Hex]FFFFFFFFFFFFFFFF[x^y]FFFFFFFFFFFFFFFF=",
    "[Hex]FFFFFFFFFFFFFFFF[x^2]",
    "[Hex]FFFFFFFFFFFFFFFF[x^3]",
    "[Hex]FFFFFFFFFFFFFFFF[Mod]FFFFFFFFFFFFFFFF=",
    "[Bin]1[Lsh]111111=",
    "[Oct]1777777777777777777777[Xor]1=",
    "[Byte][Hex]FF*FF=",
    "1E799999992[Hex]",
    "1E-799999992[Hex]",
    "1E49999999[Hex]",
    "1E799999992[Int]",
    "1E799999992[Not]",
]


def expected_display(v, P):
    """The value the display should stand for and the unit of its last digit."""
    if v == 0:
        return mpf(0), mpf(10) ** (-P)
    lead = int(mpmath.floor(mpmath.log10(abs(v))))
    # The exact log10 may land on the wrong side of a power of ten.
    if abs(v) < mpf(10) ** lead:
        lead -= 1
    elif abs(v) >= mpf(10) ** (lead + 1):
        lead += 1
    if -5 <= lead < 0:
        unit = mpf(10) ** (-P)
    else:
        unit = mpf(10) ** (lead - P)
    return v, unit


def shown(display):
    """The value of a display, or None for a message."""
    text = display.replace(",", ".")
    if not re.fullmatch(r"-?\d+(\.\d*)?(e[+-]\d+)?", text):
        return None
    return mpf(text)


def verdict(display, value, P, digits_checked, integerradix=False):
    """Sorts one display; value is the true result (None: undefined), or
    the string 'unknown' where no reference is given."""
    if display in INVALID:
        if value is None or value == "unknown":
            return "invalid"
        return "internal"
    lowest, above = mpf(LOWEST), mpf(ABOVE)
    if display in RANGE:
        if value == "unknown":
            return "range"
        if value is None:
            return "internal"
        # Binary values of the ends are off by an ulp: a relative margin.
        margin = 1 + mpf(10) ** (10 - mpmath.mp.dps)
        if abs(value) * margin >= above:
            return "range" if display == "number overflow" else "wrongside"
        if value != 0 and abs(value) < lowest * margin:
            return "range" if display == "number underflow" else "wrongside"
        # Rounded to the shown digits a value just below the top is the
        # first power of ten beyond it.
        if display == "number overflow" and abs(value) * (1 + mpf(10) ** -(P + 1)) >= above:
            return "edge"
        # Within the lowest P + 2 digits of the range a resolution below
        # the last shown digit is below every number.
        if display == "number underflow" and abs(value) < lowest * mpf(10) ** (P + 3):
            return "edge"
        return "misplaced"
    if integerradix:
        return "ok" if re.fullmatch(r"[0-9A-F]+", display) else "internal"
    s = shown(display)
    if s is None:
        return "internal"
    if value == "unknown" or not digits_checked:
        return "ok"
    if value is None:
        return "wrong"
    if abs(value) >= above or (value != 0 and abs(value) < lowest):
        return "wrong"
    v, unit = expected_display(value, P)
    # A display on a midpoint of binary values is off by an ulp.
    return "ok" if abs(s - v) <= unit / 2 * (1 + mpf(10) ** (10 - mpmath.mp.dps)) else "wrong"


def run(keys, P, timeout):
    """The display zelkc leaves, its time in seconds and its peak memory in MB."""
    start = time.monotonic()
    # /usr/bin/time reports the peak memory of this one run.
    proc = subprocess.Popen(["/usr/bin/time", "-f", "peak %M", ZELKC, "--precision", str(P), keys],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, start_new_session=True)
    try:
        out, err = proc.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.communicate()
        return None, time.monotonic() - start, 0.0
    elapsed = time.monotonic() - start
    peak = re.search(r"peak (\d+)", err.decode())
    mb = int(peak.group(1)) / 1024 if peak else 0.0
    lines = out.decode().strip().splitlines()
    return (lines[-1] if lines else err.decode().strip()), elapsed, mb


def workdigits(args, P):
    """Digits for mpmath: the argument's own digits are exact in binary only
    this far, and a logarithm near 1 cancels as many as it has."""
    return P + 40 + sum(len(a) for a in args)


def reference(fn, args, P):
    """The true value of fn on the typed arguments, None where undefined."""
    if fn is None:
        return "unknown"
    with mpmath.workdps(workdigits(args, P)):
        try:
            v = fn(*args) if getattr(fn, "texts", False) else fn(*[valueof(a) for a in args])
        except (ValueError, ZeroDivisionError):
            return None
        if v is not None and isinstance(v, mpmath.mpc):
            return None
        return v


def cases(keyfilter):
    """(name, keys, reference function, argument values)."""
    out = []
    for name, key, fn in UNARY:
        if keyfilter and name not in keyfilter:
            continue
        for text in ARGS:
            out.append((name, text + key, fn, (text,)))
    for name, key, fn in BINARY:
        if keyfilter and name not in keyfilter:
            continue
        for a, b in PAIRS:
            out.append((name, a + key + b + "=", fn, (a, b)))
    if not keyfilter or "integer" in keyfilter:
        for keys in INTEGER:
            out.append(("integer", keys, None, ()))
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("-P", type=int, action="append", help="precision (repeatable)")
    parser.add_argument("-k", action="append", help="key name (repeatable): ln, x^y, integer...")
    parser.add_argument("-j", type=int, default=2, help="keys run at once")
    parser.add_argument("--timeout", type=float, default=10.0)
    parser.add_argument("--slow", type=float, default=1.0, help="seconds a key may take")
    parser.add_argument("--memory", type=float, default=500.0, help="MB a key may hold")
    parser.add_argument("--all", action="store_true", help="list every case")
    args = parser.parse_args()
    precisions = args.P or PRECISIONS

    jobs = [(P, c) for P in precisions for c in cases(args.k)]
    counts = {}
    failures = 0

    def one(job):
        P, (name, keys, fn, values) = job
        display, seconds, mb = run(keys, P, args.timeout)
        if display is None:
            return job, "(none)", "timeout", seconds, mb
        value = reference(fn, values, P)
        with mpmath.workdps(workdigits(values, P)):
            v = verdict(display, value, P, fn is not None,
                        re.search(r"\[(Hex|Oct|Bin)\]", keys) is not None)
        if v in ("ok", "range", "invalid", "edge") and (seconds > args.slow or mb > args.memory):
            v = "slow"
        return job, display, v, seconds, mb

    with concurrent.futures.ThreadPoolExecutor(args.j) as pool:
        for job, display, v, seconds, mb in pool.map(one, jobs):
            P, (name, keys, fn, values) = job
            counts[v] = counts.get(v, 0) + 1
            if v in ("internal", "wrongside", "misplaced", "wrong"):
                failures += 1
            if args.all or v not in ("ok", "range", "invalid"):
                shortkeys = keys if len(keys) < 90 else keys[:40] + "..." + keys[-40:]
                shortdisplay = display if len(display) < 70 else display[:30] + "..." + display[-30:]
                print("%-9s P=%-4d %-8s %-60s -> %s  (%.2f s, %.0f MB)"
                      % (v, P, name, shortkeys, shortdisplay, seconds, mb), flush=True)
    print("; ".join("%s: %d" % kv for kv in sorted(counts.items())))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
