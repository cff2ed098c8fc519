#!/usr/bin/env python3
"""Near-midpoint cases: arguments whose true result lies within 10^-20 to
10^-30 of a shown unit from a rounding midpoint of the display, for every
key, with the display mpmath rounds them to.

A target y is put beside a midpoint of the display at precision P; the
argument typed is the inverse function of y, written with P + 60
significant digits, so that the key's true result stays beside the
midpoint. The expected display is the key's true result on that typed
argument, computed with mpmath at 2P + 100 digits and rounded half away
from zero as the display rounds.

    tools/midpoints.py                 # writes tests/data/midpoints.txt
    tools/midpoints.py --print -P 40   # shows the cases for one precision

tools/accuracy.py uses the same cases for its near-midpoint column.
"""

import argparse
import os
import random
import sys

import decimal
from decimal import Decimal, ROUND_HALF_UP, localcontext

import mpmath
from mpmath import mp, mpf

if hasattr(sys, "set_int_max_str_digits"):
    sys.set_int_max_str_digits(0)

# Exact enough for every operand here: sums of 6000-digit decimals.
decimal.getcontext().prec = 40000
decimal.getcontext().Emax = decimal.MAX_EMAX
decimal.getcontext().Emin = decimal.MIN_EMIN

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..")


# -- the display -------------------------------------------------------------------------

def roundplaces(d, places):
    with localcontext() as c:
        c.prec = max(50, d.adjusted() + places + 10)
        return d.quantize(Decimal(1).scaleb(-places), rounding=ROUND_HALF_UP)


def displayed(d, P):
    """The value the display shows for d: P + 1 significant digits, or P
    decimal places where the rounded value lies in [10^-4, 1)."""
    if d == 0:
        return Decimal(0)
    p = roundplaces(d, P - d.adjusted())
    if p != 0 and -4 <= p.adjusted() < 0:
        return roundplaces(d, P)
    return p


def unit(d, P):
    """The unit of the display's last digit for a value of d's size."""
    p = displayed(d, P)
    if p == 0:
        # Only the fixed form's P places round a value to 0.
        return Decimal(1).scaleb(-P)
    a = p.adjusted()
    return Decimal(1).scaleb(-P if -4 <= a < 0 else a - P)


def displaytext(d, P):
    """The display text: fixed form for leads -4..14, else d,ddde+N; trailing
    zeros dropped, decimal comma."""
    v = displayed(d, P)
    if v == 0:
        return "-0" if d < 0 else "0"
    sign = "-" if v < 0 else ""
    v = abs(v)
    a = v.adjusted()
    if a < -4 or a > 14:
        digits = str(v.scaleb(-a).normalize())
        if "E" in digits:
            digits = format(v.scaleb(-a).normalize(), "f")
        text = digits.rstrip("0").rstrip(".") if "." in digits else digits
        return sign + text.replace(".", ",") + "e%+d" % a
    text = format(v, "f")
    if "." in text:
        text = text.rstrip("0").rstrip(".")
    return sign + text.replace(".", ",")


def todecimal(x, digits):
    return Decimal(mpmath.nstr(x, digits, strip_zeros=False, min_fixed=1, max_fixed=0))


def keysfor(d):
    """The keys that type the decimal d: mantissa, sign, exponent."""
    negative = d < 0
    d = abs(d)
    t = format(d.normalize(), "e")  # d.ddde+N
    mantissa, _, exponent = t.partition("e")
    keys = mantissa.replace(".", ",")
    if negative:
        keys += "[+/-]"
    e = int(exponent)
    if e:
        keys += "[EE]" + str(abs(e))
        if e < 0:
            keys += "[+/-]"
    return keys


# -- targets beside a midpoint ----------------------------------------------------------------

def beside(rng, P, low, high, places=(20, 30)):
    """A target y in [low, high) within 10^-20 to 10^-30 shown units (or
    10^-places) of a midpoint between two displays at P, as a Decimal with
    P + 40 digits."""
    while True:
        y = Decimal(repr(rng.uniform(low, high)))
        # Random digits all the way down, at y's size.
        digits = int("".join(rng.choice("0123456789") for _ in range(P + 5)))
        y = (y + Decimal(digits).scaleb(y.adjusted() - P - 25)).normalize()
        if y == 0:
            continue
        u = unit(y, P)
        v = displayed(y, P)
        m = v + (u / 2 if rng.random() < 0.5 else -u / 2)
        if m == 0 or unit(m, P) != u:
            continue
        delta = u.scaleb(-rng.randint(*places)) * (1 if rng.random() < 0.5 else -1)
        with localcontext() as c:
            c.prec = P + 80
            t = m + delta
        if low <= t < high and unit(t, P) == u:
            return t, m, u


def deg(x):
    return x * mpmath.pi / 180


def grad(x):
    return x * mpmath.pi / 200


def key(keys, forward, inverse, low, high, maxP=6000):
    return {"keys": keys, "f": forward, "g": inverse, "low": low, "high": high, "maxP": maxP}


def cbrt(x):
    return mpmath.cbrt(x) if x >= 0 else -mpmath.cbrt(-x)


def gammainverse(y):
    """x with Gamma(x + 1) = y, for y above 1 (x above 1)."""
    lo, hi = 1.0, 10.0
    for _ in range(60):  # Gamma(x + 1) rises for x above 1
        mid = (lo + hi) / 2
        lo, hi = (mid, hi) if mpmath.gamma(mid + 1) < y else (lo, mid)
    return mpmath.findroot(lambda x: mpmath.gamma(x + 1) - y, mpf(lo))


# Each key: how it is typed ({x} the argument), the function, its inverse,
# and the range of targets. The names are those of tools/accuracy.py.
KEYS = {
    "e^x": key("{x}[Inv][ln]", mpmath.exp, mpmath.log, 1.5, 500),
    "ln": key("{x}[ln]", mpmath.log, mpmath.exp, 0.1, 30),
    "log": key("{x}[log]", mpmath.log10, lambda y: mpf(10) ** y, 0.1, 30),
    "10^x": key("{x}[Inv][log]", lambda x: mpf(10) ** x, mpmath.log10, 1.5, 500),
    "x^2": key("{x}[x^2]", lambda x: x * x, mpmath.sqrt, 1.5, 500),
    "sqrt": key("{x}[Inv][x^2]", mpmath.sqrt, lambda y: y * y, 1.5, 500),
    "x^3": key("{x}[x^3]", lambda x: x ** 3, cbrt, 1.5, 500),
    "cbrt": key("{x}[Inv][x^3]", cbrt, lambda y: y ** 3, 1.5, 500),
    "1/x": key("{x}[1/x]", lambda x: 1 / x, lambda y: 1 / y, 1.5, 500),
    "n!": key("{x}[n!]", lambda x: mpmath.gamma(x + 1), gammainverse, 2.5, 90, maxP=1000),
    "sin deg": key("[Degrees]{x}[sin]", lambda x: mpmath.sin(deg(x)),
                   lambda y: mpmath.asin(y) * 180 / mpmath.pi, 0.1, 0.95),
    "cos deg": key("[Degrees]{x}[cos]", lambda x: mpmath.cos(deg(x)),
                   lambda y: mpmath.acos(y) * 180 / mpmath.pi, 0.1, 0.95),
    "tan deg": key("[Degrees]{x}[tan]", lambda x: mpmath.tan(deg(x)),
                   lambda y: mpmath.atan(y) * 180 / mpmath.pi, 1.5, 50),
    "sin rad": key("[Radians]{x}[sin]", mpmath.sin, mpmath.asin, 0.1, 0.95),
    "cos rad": key("[Radians]{x}[cos]", mpmath.cos, mpmath.acos, 0.1, 0.95),
    "tan rad": key("[Radians]{x}[tan]", mpmath.tan, mpmath.atan, 1.5, 50),
    "sin grad": key("[Grads]{x}[sin]", lambda x: mpmath.sin(grad(x)),
                    lambda y: mpmath.asin(y) * 200 / mpmath.pi, 0.1, 0.95),
    "asin": key("[Radians]{x}[Inv][sin]", mpmath.asin, mpmath.sin, 0.1, 1.5),
    "acos": key("[Radians]{x}[Inv][cos]", mpmath.acos, mpmath.cos, 0.1, 1.5),
    "atan": key("[Radians]{x}[Inv][tan]", mpmath.atan, mpmath.tan, 0.1, 1.5),
    "asin deg": key("[Degrees]{x}[Inv][sin]", lambda x: mpmath.asin(x) * 180 / mpmath.pi,
                    lambda y: mpmath.sin(deg(y)), 1.5, 85),
    "sinh": key("{x}[Hyp][sin]", mpmath.sinh, mpmath.asinh, 1.5, 500),
    "cosh": key("{x}[Hyp][cos]", mpmath.cosh, mpmath.acosh, 1.5, 500),
    "tanh": key("{x}[Hyp][tan]", mpmath.tanh, mpmath.atanh, 0.1, 0.95),
    "asinh": key("{x}[Hyp][Inv][sin]", mpmath.asinh, mpmath.sinh, 0.1, 5),
    "acosh": key("{x}[Hyp][Inv][cos]", mpmath.acosh, mpmath.cosh, 0.1, 5),
    "atanh": key("{x}[Hyp][Inv][tan]", mpmath.atanh, mpmath.tanh, 0.1, 5),
    # Logarithms of arguments far from 1, whose size is mostly the decades.
    "ln large": key("{x}[ln]", mpmath.log, mpmath.exp, 30, 2000),
    "ln small": key("{x}[ln][+/-]", lambda x: -mpmath.log(x), lambda y: mpmath.exp(-y), 30, 2000),
    "log large": key("{x}[log]", mpmath.log10, lambda y: mpf(10) ** y, 5, 900),
    "/": key("{x}/7=", lambda x: x / 7, lambda y: y * 7, 1.5, 500),
    "*": key("{x}*7=", lambda x: x * 7, lambda y: y / 7, 1.5, 500),
    "x^y": key("{x}[x^y]2,5=", lambda x: x ** mpf(2.5), lambda y: y ** (1 / mpf(2.5)), 1.5, 500),
    "root": key("{x}[Inv][x^y]2,5=", lambda x: x ** (1 / mpf(2.5)), lambda y: y ** mpf(2.5),
                1.5, 500),
}


def unarycase(name, P, rng, places=(20, 30)):
    k = KEYS[name]
    mp.dps = 2 * P + 100
    y, m, u = beside(rng, P, k["low"], k["high"], places)
    x = todecimal(k["g"](mpf(str(y))), P + 60)
    value = todecimal(k["f"](mpf(str(x))), 2 * P + 90)
    keys = k["keys"].replace("{x}", keysfor(x))
    return keys, value


def randomdigits(rng, n):
    return Decimal(str(rng.randint(1, 9)) + "".join(rng.choice("0123456789") for _ in range(n - 1)))


def sumcase(name, P, rng):
    """Two operands of P + 5 to P + 40 digits whose sum (or difference) is a
    target beside a midpoint; or, one case in three, operands that agree in
    all their leading digits, whose small difference must come out whole."""
    if rng.random() < 1 / 3:
        length = P + rng.randint(5, 40)
        a = randomdigits(rng, length).scaleb(rng.randint(-length, 5) - length + 1)
        y = Decimal(rng.randint(1, 999)).scaleb(a.adjusted() - length + 1 + rng.randint(0, 3))
        y = -y if rng.random() < 0.5 else y
    else:
        y, _, _ = beside(rng, P, 0.1, 0.9)
        y = y.scaleb(rng.randint(-20, 20))
        # a is larger than y by up to three places and has digits as low as
        # y's, so that b = y - a is as long as a.
        k = rng.randint(0, 3)
        length = len(y.as_tuple().digits) + k + rng.randint(0, 3)
        a = randomdigits(rng, length).scaleb(y.adjusted() + k - length + 1)
    b = y - a if name == "+" else a - y
    value = a + b if name == "+" else a - b
    op = "+" if name == "+" else "-"
    return keysfor(a) + op + keysfor(b) + "=", value


def case(name, P, rng):
    return sumcase(name, P, rng) if name in ("+", "-") else unarycase(name, P, rng)


NAMES = list(KEYS) + ["+", "-"]

# Cases per key and precision; at 6000 digits a few keys.
PLAN = {1: 3, 3: 3, 8: 3, 15: 3, 40: 3, 100: 2, 1000: 1}
NEAR = ["ln large", "ln small", "log large", "ln", "e^x", "sqrt", "x^y", "sinh", "asinh", "atan"]
NEAR_PRECISIONS = [1, 3, 8]
NEAR_COUNT = 4
AT6000 = ["e^x", "ln", "sqrt", "/", "sin rad", "atan", "+", "-"]


def generate(plan, names, seed, at6000=True):
    rng = random.Random(seed)
    out = []
    for P, count in plan.items():
        for name in names:
            if name in KEYS and P > KEYS[name]["maxP"]:
                continue
            for _ in range(count):
                keys, value = case(name, P, rng)
                out.append((name, P, keys, value))
    # A tenth to a ten-thousandth of a unit off a midpoint: results whose
    # first digits beyond the display already decide it, at the fewest
    # digits, where a coarse first attempt must still be within its bound.
    for P in NEAR_PRECISIONS:
        if P not in plan:
            continue
        for name in NEAR:
            for _ in range(NEAR_COUNT):
                keys, value = unarycase(name, P, rng, (1, 4))
                out.append((name + " near", P, keys, value))
    if at6000:
        for name in AT6000:
            keys, value = case(name, 6000, rng)
            out.append((name, 6000, keys, value))
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--print", action="store_true", help="print instead of writing the file")
    parser.add_argument("-P", type=int, action="append", help="only these precisions")
    parser.add_argument("--seed", type=int, default=20261208)
    args = parser.parse_args()
    plan = {P: PLAN.get(P, 2) for P in args.P} if args.P else PLAN
    cases = generate(plan, NAMES, args.seed, at6000=not args.P or 6000 in args.P)
    lines = ["# Near-midpoint cases from tools/midpoints.py: name, P, keys, display.",
             "# The true result of each lies within 10^-20 to 10^-30 shown units of a midpoint,",
             "# of those named 'near' within 10^-1 to 10^-4."]
    for name, P, keys, value in cases:
        lines.append("\t".join([name, str(P), keys, displaytext(value, P)]))
    text = "\n".join(lines) + "\n"
    if args.print:
        sys.stdout.write(text)
    else:
        path = os.path.join(ROOT, "tests", "data", "midpoints.txt")
        with open(path, "w") as f:
            f.write(text)
        print("wrote %s: %d cases" % (path, len(cases)), file=sys.stderr)


if __name__ == "__main__":
    main()
