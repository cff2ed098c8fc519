#!/usr/bin/env python3
"""Special points: the arguments where each key is hardest.

Every zero, pole, branch point and end of range of a key is approached by
10^-k, from each side where the key is defined there, for k from 1 to P + 20
and beyond (2P + 40, and 1000 or more where the entry holds it): the sine
at 180 - 10^-k degrees, the cosine at pi/2 typed to k digits in radians, the
arc sine at 1 - 10^-k, n! at -3 + 10^-k, ln at 1 + 10^-k, dms at 1 - 10^-k
and so on, in every angle unit, together with the points themselves where
they can be typed (cos 90 degrees is exactly 0, tan 90 degrees has no value).

Each case is a family (a key and the point it approaches), a precision P, a
distance k and a side; the keys that type it; and the true result, worked
by mpmath with the typed arguments' digits plus P plus a margin, so that
the distance to the point is resolved many times over. The exact parts are
worked exactly: angles in degrees and grads are reduced to the nearest
right angle in fractions before mpmath sees them, and dms is converted in
fractions. tools/accuracy.py runs the cases and judges the displays.

    tools/specialpoints.py --list              # the families
    tools/specialpoints.py --print -P 40       # the cases at one precision
"""

import argparse
import math
import sys

from decimal import Decimal, localcontext
from fractions import Fraction

import mpmath
from mpmath import mp, mpf

import midpoints

if hasattr(sys, "set_int_max_str_digits"):
    sys.set_int_max_str_digits(0)

# Characters of a decimal entry: an argument longer than this would be
# rounded on typing and then no longer be the point's neighbour.
MAXENTRY = 6099

# Results beyond 10^+-RANGEEDGE may report the end of the range instead of
# a value: products reach about 10^+-399999996 on half limbs, and the
# exponential ends its range a little earlier, at e^+-921033000
# (10^+-399999542).
RANGEEDGE = 399999000

# Decimal digits beyond the arguments' and the display's that the true
# result is worked with: the distance to the point is then resolved with
# MARGIN digits to spare (MARGIN > 20 keeps the judged error exact to 10^-20
# of a unit).
MARGIN = 60


# -- distances ----------------------------------------------------------------------------

def distances(P, quick=False):
    """The exponents k of the distances 10^-k at precision P: every k up to
    P + 20 while that is short, a spread beyond it through P - 1, P, P + 1
    to P + 20, then 2P + 40 and one far beyond it."""
    if quick:
        return sorted({3, P + 3, 2 * P + 40, 1000})
    if P + 20 <= 60:
        ks = set(range(1, P + 21))
    else:
        ks = {1, 2, 3, 4, 5, 7, 10, 15, 20, 30, 50}
        ks |= {P // 2, P - 10, P - 2, P - 1, P, P + 1, P + 2, P + 3, P + 5, P + 10, P + 20}
    ks.add(2 * P + 40)
    ks.add(max(1000, 4 * P + 100) if P < 1000 else 5000)
    return sorted(k for k in ks if k >= 1)


# -- typed numbers -------------------------------------------------------------------------

def plain(d):
    """The decimal d as digits with a point, no exponent."""
    t = format(d, "f")
    if "." in t:
        t = t.rstrip("0").rstrip(".")
    return t


def near(point, k, side):
    """The exact decimal text of point + side * 10^-k."""
    p = Decimal(point)
    with localcontext() as c:
        c.prec = len(p.as_tuple().digits) + abs(p.adjusted()) + k + 10
        x = p + side * Decimal(1).scaleb(-k)
    if p == 0:
        return ("-" if x < 0 else "") + "1e-%d" % k
    return plain(x)


def mantissadigits(text):
    """Significant digits typed for the number text ("89.99", "2e-400")."""
    m = text.lstrip("-").partition("e")[0].replace(".", "")
    return max(1, len(m.lstrip("0")))


def fits(text):
    return len(text.partition("e")[0]) <= MAXENTRY


def exact(text):
    return Fraction(Decimal(text))


def tompf(q):
    return mpf(q.numerator) / q.denominator


def typedmultiple(m, denominator, n, up):
    """m pi / denominator written with n significant digits, cut toward zero
    (up false) or rounded away from it (up true): a point typed in radians."""
    with mp.workdps(n + 30):
        x = abs(m) * mp.pi / denominator
        e = int(mpmath.floor(mpmath.log10(x)))
        scaled = int(mpmath.floor(x * mpf(10) ** (n - 1 - e)))
    if up:
        scaled += 1
    d = Decimal(scaled).scaleb(e - n + 1)
    return ("-" if m < 0 else "") + plain(d)


# -- true results --------------------------------------------------------------------------

def angleoffset(a, right):
    """An angle a (a fraction, in a unit with the given right angle) as the
    quadrant q (0 to 3) of its nearest multiple of a right angle and the
    exact rest r in the same unit: a = q right + r (mod 4 right), |r| <= right/2."""
    q = math.floor(a / right + Fraction(1, 2))
    rest = a - q * right
    return q % 4, rest


def unittrig(name, right):
    """sin, cos or tan of a typed angle in a unit with the given right angle
    (90 degrees, 100 grads): exact at the multiples of a right angle, none
    for the tangent at its poles."""
    def f(text):
        q, rest = angleoffset(exact(text), right)
        if rest == 0:
            s, c = mpf(0), mpf(1)
        else:
            t = tompf(rest) * mp.pi / (2 * right)
            s, c = mpmath.sin(t), mpmath.cos(t)
        sine = [s, c, -s, -c][q]
        cosine = [c, -s, -c, s][q]
        if name == "sin":
            return sine
        if name == "cos":
            return cosine
        if rest == 0 and q % 2 == 1:
            return None
        return sine / cosine
    return f


def real(value):
    """A value of mpmath as a real result, or None where it has none (a
    complex value, an infinity)."""
    if value is None:
        return None
    if isinstance(value, mpmath.mpc):
        if value.imag != 0:
            return None
        value = value.real
    if not mpmath.isfinite(value):
        return None
    return value


def mpfn(fn):
    """fn of the typed numbers, through mpmath: None where it has no real
    value."""
    def f(*texts):
        try:
            return real(fn(*[mpf(t) for t in texts]))
        except (ValueError, ZeroDivisionError):
            return None
    return f


def scaled(fn, unit):
    """An inverse trigonometric function with its result in radians,
    degrees or grads."""
    factor = {"rad": None, "deg": 180, "grad": 200}[unit]
    if factor is None:
        return fn
    return lambda x: fn(x) * factor / mp.pi


def factorial(text):
    """n! = Gamma(x + 1) of the typed x. Near a pole, x + 1 = m + f with m
    a whole number not above 0 and f small and exact, and
    Gamma(m + f) = Gamma(1 + f) / ((m + f)(m + 1 + f)...(f)):
    the product holds the distance to the pole in full. Away from the poles
    Gamma is smooth: rounding its argument z to D digits moves it by
    |z psi(z)| 10^-D relatively, under 10^-(P + MARGIN) when D exceeds
    P + MARGIN by twice the digits of z's integer part, so Gamma itself is
    worked at D digits whatever the length of the typed x."""
    z = exact(text) + 1
    m = math.floor(z + Fraction(1, 2))
    budget = mp.dps - mantissadigits(text)  # P + MARGIN
    smooth = budget + 2 * len(str(abs(m))) + 10
    f = z - m
    # The product has -m terms: far below zero mpmath's reflection, at the
    # digits above, takes the place of the recurrence.
    if m > 0 or m < -10000 or abs(f) > Fraction(1, 4):
        with mp.workdps(smooth):
            value = mpmath.gamma(tompf(z))
        return +value
    if f == 0:
        return None
    product = mpf(1)
    for i in range(m, 1):
        product *= tompf(i + f)
    with mp.workdps(smooth):
        value = mpmath.gamma(1 + tompf(f))
    return value / product


def logabs(x):
    """ln |x| of an exact fraction: near 1 through ln(1 + (|x| - 1)), so
    that its distance from 1 counts in full."""
    x = abs(x)
    if abs(x - 1) < Fraction(1, 2):
        return mpmath.log1p(tompf(x - 1))
    return mpmath.log(tompf(x))


def exactpower(x, y):
    """x^y of exact fractions as e^(y ln |x|), worked with as many more
    digits as y ln |x| has before its point (its rounding is then below a
    unit of the result); the sign of a negative x by the parity of a whole
    y, none for any other y."""
    if x == 0:
        if y < 0:
            return None
        return mpf(1) if y == 0 else mpf(0)
    sign = 1
    if x < 0:
        if y.denominator != 1:
            return None
        sign = -1 if y.numerator % 2 else 1
    with mp.workdps(mp.dps):
        size = abs(tompf(y) * logabs(x))
        extra = int(mpmath.log10(size)) + 5 if size > 1 else 0
    with mp.workdps(mp.dps + extra):
        value = sign * mpmath.exp(tompf(y) * logabs(x))
    return +value


def power(xtext, ytext):
    return exactpower(exact(xtext), exact(ytext))


def root(xtext, ytext):
    """The y-th root of x, x^(1/y); none of a negative x (not asked for)."""
    x, y = exact(xtext), exact(ytext)
    if y == 0 or x < 0:
        return None
    return exactpower(x, 1 / y)


def cbrt(x):
    return mpmath.cbrt(x) if x >= 0 else -mpmath.cbrt(-x)


def leadpos(v):
    """The power of ten of the leading digit of the exact value v != 0."""
    v = abs(v)
    e = len(str(v.numerator)) - len(str(v.denominator))
    while Fraction(10) ** e > v:
        e -= 1
    while Fraction(10) ** (e + 1) <= v:
        e += 1
    return e


def shownplaces(v, P):
    """The decimal places the display of the exact value v at P digits shows:
    P + 1 significant digits, or P places where v rounds to a value from
    10^-5 up to 1 (written without an exponent)."""
    if v == 0:
        return P
    lead = leadpos(v)
    rounded = roundplaces(v, P - lead)
    return P if -4 <= leadpos(rounded) < 0 else P - lead


def roundplaces(v, places):
    """v rounded to a multiple of 10^-places, halves away from zero."""
    unit = Fraction(10) ** -places
    q = abs(v) / unit
    n = q.numerator // q.denominator
    if q - n >= Fraction(1, 2):
        n += 1
    return (n if v >= 0 else -n) * unit


def dmsvalue(text, P):
    """Decimal degrees to d.mmss as the display at P digits shows it: the
    total seconds rounded, halves away from zero, to the unit of the last
    shown place (10 minutes at one place, a minute at two, 10^(4 - places)
    seconds from three on, 10^-places degrees from none down), the carry
    going on to the minutes and degrees; worked exactly."""
    x = exact(text)
    sign = -1 if x < 0 else 1
    a = abs(x)
    d = a.numerator // a.denominator
    f = a - d

    def rounded(places):
        if places <= 0:
            return roundplaces(a, places)
        if places <= 2:
            t = roundplaces(f * 60, places - 2) * 60
        else:
            t = roundplaces(f * 3600, places - 4)
        m = int(t) // 60
        return d + Fraction(m, 100) + (t - 60 * m) / 10000 if m < 60 else Fraction(d + 1)

    m = int(f * 60)
    places = shownplaces(d + Fraction(m, 100) + (f * 60 - m) * 60 / 10000, P)
    r = rounded(places)
    while shownplaces(r, P) < places:
        places = shownplaces(r, P)
        r = rounded(places)
    return sign * r


def dmsdisplay(text, P):
    """The display dms shows for the typed degrees, as a Decimal."""
    value = dmsvalue(text, P)
    with localcontext() as c:
        c.prec = max(len(str(value.numerator)), len(str(value.denominator))) + P + 40
        return Decimal(value.numerator) / Decimal(value.denominator)


def fromdms(text):
    x = exact(text)
    sign = -1 if x < 0 else 1
    x = abs(x)
    d = math.floor(x)
    f = (x - d) * 100
    m = math.floor(f)
    s = (f - m) * 100
    return tompf(sign * (d + Fraction(m, 60) + s / 3600))


# -- families ------------------------------------------------------------------------------

class Family:
    """A key approaching one point: `points(P, k)` gives the typed
    arguments (tuples of number texts) at distance 10^-k, one per side;
    `exact` the arguments at the point itself, where it can be typed."""

    def __init__(self, key, label, keys, truth, points, exact=(), dms=False, ks=None, at=None):
        self.key = key          # the key's name in the report ("cos deg")
        self.label = label      # the point and how it is approached ("90 -+ 10^-k")
        self.keys = keys        # the keys, {x} and {y} for the arguments
        self.truth = truth      # the true result of the typed texts, None where none
        self.points = points    # (P, k) -> list of (side, argument tuple)
        self.exact = exact      # argument tuples at the point, or P -> them
        self.dms = dms          # the display is judged as a dms display
        self.ks = ks            # (P, ks) -> the distances for this family
        self.at = at            # the precisions it runs at, None for all

    def keysfor(self, args):
        keys = self.keys.replace("{x}", keysfor(args[0]))
        if len(args) > 1:
            keys = keys.replace("{y}", keysfor(args[1]))
        return "[C]" + keys

    def cases(self, P, ks):
        """(k, side, args, keys) for every distance and side, and the exact
        point with k None."""
        if self.at is not None and P not in self.at:
            return []
        out = []
        for args in (self.exact(P) if callable(self.exact) else self.exact):
            out.append((None, 0, args, self.keysfor(args)))
        for k in (self.ks(P, ks) if self.ks else ks):
            for side, args in self.points(P, k):
                if all(fits(a) for a in args):
                    out.append((k, side, args, self.keysfor(args)))
        return out

    def value(self, args, P):
        """The true result at a working precision that resolves the
        arguments' distance to the point: None where the key has none."""
        mp.dps = sum(mantissadigits(a) for a in args) + P + MARGIN
        if self.dms:
            return dmsdisplay(args[0], P)
        return self.truth(*args)


def keysfor(text):
    """The keys that enter the decimal text ("-1.25e-7"): mantissa, sign,
    then the exponent with its sign toggled in exponent entry."""
    s = text.strip()
    negative = s.startswith("-")
    if negative:
        s = s[1:]
    mantissa, _, exponent = s.partition("e")
    keys = mantissa.replace(".", ",")
    if negative:
        keys += "[+/-]"
    if exponent:
        e = int(exponent)
        keys += "[EE]" + str(abs(e))
        if e < 0:
            keys += "[+/-]"
    return keys


def sides(point):
    """Arguments point -+ 10^-k."""
    def points(P, k):
        return [(-1, (near(point, k, -1),)), (1, (near(point, k, 1),))]
    return points


def above(point):
    def points(P, k):
        return [(1, (near(point, k, 1),))]
    return points


def radianpoint(m, denominator):
    """m pi / denominator typed to k significant digits, cut and rounded up."""
    def points(P, k):
        return [(-1, (typedmultiple(m, denominator, k, False),)),
                (1, (typedmultiple(m, denominator, k, True),))]
    return points


def powers(signs=(1,), mantissas=("1",), exponents=()):
    """Typed numbers mantissa * 10^e for each e: huge and tiny arguments."""
    def points(P, k):
        return []
    args = [(("-" if s < 0 else "") + m + "e%d" % e,)
            for e in exponents for m in mantissas for s in signs]
    return points, args


def pair(first, second):
    """Binary arguments: first(k) and second(k), each a number text."""
    def points(P, k):
        return [(1, (first(k), second(k)))]
    return points


HUGE = [10, 100, 1000, 1000000, 100000000, 300000000, 399999990, 600000000, 799999990]

# Right angles of the units whose multiples can be typed exactly.
RIGHT = {"deg": 90, "grad": 100}
UNITKEY = {"deg": "[Degrees]", "rad": "[Radians]", "grad": "[Grads]"}


def trigfamilies():
    out = []
    for unit, right in RIGHT.items():
        R = right
        big = 2000000 * R  # 180 000 000 degrees, 200 000 000 grads
        zeros = {"sin": [0, 2 * R, 4 * R, -2 * R, big],
                 "cos": [R, 3 * R, -R, big + R],
                 "tan": [0, 2 * R, big, R, 3 * R, -R, big + R]}
        extremes = {"sin": [R, -R, 3 * R], "cos": [0, 2 * R, big]}
        for name in ("sin", "cos", "tan"):
            key = "%s %s" % (name, unit)
            truth = unittrig(name, right)
            for p in zeros[name]:
                kind = "pole" if name == "tan" and (p // R) % 2 else "zero"
                out.append(Family(key, "%s %d -+ 10^-k" % (kind, p),
                                  UNITKEY[unit] + "{x}[%s]" % name, truth, sides(str(p)),
                                  exact=[(str(p),)]))
            for p in extremes.get(name, []):
                out.append(Family(key, "extreme %d -+ 10^-k" % p, UNITKEY[unit] + "{x}[%s]" % name,
                                  truth, sides(str(p)), exact=[(str(p),)]))
    # Radians: the points are m pi / 2, typed to k digits.
    multiples = {"sin": [(2, "pi"), (4, "2pi"), (-2, "-pi"), (200, "100pi")],
                 "cos": [(1, "pi/2"), (3, "3pi/2"), (-1, "-pi/2"), (201, "201pi/2")],
                 "tan": [(2, "pi"), (200, "100pi"), (1, "pi/2"), (3, "3pi/2"), (-1, "-pi/2"),
                         (201, "201pi/2")]}
    extremes = {"sin": [(1, "pi/2"), (3, "3pi/2")], "cos": [(2, "pi"), (4, "2pi")]}
    fns = {"sin": mpmath.sin, "cos": mpmath.cos, "tan": mpmath.tan}
    for name in ("sin", "cos", "tan"):
        key = "%s rad" % name
        for m, label in multiples[name]:
            kind = "pole" if name == "tan" and m % 2 else "zero"
            out.append(Family(key, "%s %s typed to k digits" % (kind, label),
                              "[Radians]{x}[%s]" % name, mpfn(fns[name]), radianpoint(m, 2)))
        for m, label in extremes.get(name, []):
            out.append(Family(key, "extreme %s typed to k digits" % label,
                              "[Radians]{x}[%s]" % name, mpfn(fns[name]), radianpoint(m, 2)))
        if name != "cos":
            out.append(Family(key, "zero 0 -+ 10^-k", "[Radians]{x}[%s]" % name, mpfn(fns[name]),
                              sides("0"), exact=[("0",)]))
        else:
            out.append(Family(key, "extreme 0 -+ 10^-k", "[Radians]{x}[cos]", mpfn(mpmath.cos),
                              sides("0"), exact=[("0",)]))
    return out


def inversetrigfamilies():
    out = []
    fns = {"asin": mpmath.asin, "acos": mpmath.acos, "atan": mpmath.atan}
    keys = {"asin": "[Inv][sin]", "acos": "[Inv][cos]", "atan": "[Inv][tan]"}
    for unit in ("rad", "deg", "grad"):
        for name in ("asin", "acos", "atan"):
            key = "%s %s" % (name, unit)
            truth = mpfn(scaled(fns[name], unit))
            typed = UNITKEY[unit] + "{x}" + keys[name]
            out.append(Family(key, "0 -+ 10^-k", typed, truth, sides("0"), exact=[("0",)]))
            if name == "atan":
                out.append(Family(key, "1 -+ 10^-k", typed, truth, sides("1"), exact=[("1",)]))
                out.append(Family(key, "-1 -+ 10^-k", typed, truth, sides("-1"),
                                  exact=[("-1",)]))
                big, bigargs = powers(signs=(1, -1), exponents=[1, 5, 20, 60, 200, 1000,
                                                                  100000, 399999990])
                out.append(Family(key, "large +-10^n", typed, truth, big, exact=bigargs))
                out.append(Family(key, "large 10^k", typed, truth,
                                  lambda P, k: [(1, ("1e%d" % k,)), (-1, ("-1e%d" % k,))]))
            else:
                # Inside the domain 1 - 10^-k, outside 1 + 10^-k (no value).
                out.append(Family(key, "branch 1 -+ 10^-k", typed, truth, sides("1"),
                                  exact=[("1",)]))
                out.append(Family(key, "branch -1 -+ 10^-k", typed, truth, sides("-1"),
                                  exact=[("-1",)]))
    return out


def hyperbolicfamilies():
    out = []
    fns = {"sinh": (mpmath.sinh, "[Hyp][sin]"), "cosh": (mpmath.cosh, "[Hyp][cos]"),
           "tanh": (mpmath.tanh, "[Hyp][tan]")}
    for name, (fn, keys) in fns.items():
        typed = "{x}" + keys
        out.append(Family(name, "0 -+ 10^-k", typed, mpfn(fn), sides("0"), exact=[("0",)]))
        big, bigargs = powers(signs=(1, -1), exponents=[1, 2, 3, 5, 8, 9])
        out.append(Family(name, "large +-10^n", typed, mpfn(fn), big, exact=bigargs))
        edge = [(t,) for t in ("921033000", "-921033000", "921032999.5", "921034100")]
        out.append(Family(name, "end of range 921033000", typed, mpfn(fn), lambda P, k: [],
                          exact=edge))
    # tanh reaches 1 in the display where 2 e^(-2x) falls below half a unit.
    def tanhturn(P):
        x = int((P + 1) * math.log(10) / 2)
        return [(str(x + d),) for d in (-2, -1, 0, 1, 2)]
    out.append(Family("tanh", "where it turns to 1", "{x}[Hyp][tan]", mpfn(mpmath.tanh),
                      lambda P, k: [], exact=tanhturn))
    fns = {"asinh": (mpmath.asinh, "[Hyp][Inv][sin]"), "acosh": (mpmath.acosh, "[Hyp][Inv][cos]"),
           "atanh": (mpmath.atanh, "[Hyp][Inv][tan]")}
    for name, (fn, keys) in fns.items():
        typed = "{x}" + keys
        truth = mpfn(fn)
        if name == "asinh":
            out.append(Family(name, "0 -+ 10^-k", typed, truth, sides("0"), exact=[("0",)]))
            big, bigargs = powers(signs=(1, -1), mantissas=("1", "2"), exponents=HUGE)
            out.append(Family(name, "large +-10^n", typed, truth, big, exact=bigargs))
            tiny, tinyargs = powers(signs=(1, -1), exponents=[-e for e in HUGE])
            out.append(Family(name, "tiny +-10^-n", typed, truth, tiny, exact=tinyargs))
        elif name == "acosh":
            out.append(Family(name, "branch 1 -+ 10^-k", typed, truth, sides("1"),
                              exact=[("1",)]))
            big, bigargs = powers(mantissas=("1", "2"), exponents=HUGE)
            out.append(Family(name, "large 10^n", typed, truth, big, exact=bigargs))
        else:
            out.append(Family(name, "0 -+ 10^-k", typed, truth, sides("0"), exact=[("0",)]))
            out.append(Family(name, "pole 1 -+ 10^-k", typed, truth, sides("1"), exact=[("1",)]))
            out.append(Family(name, "pole -1 -+ 10^-k", typed, truth, sides("-1"),
                              exact=[("-1",)]))
    return out


def logfamilies():
    out = []
    for name, fn, keys in (("ln", mpmath.log, "[ln]"), ("log", mpmath.log10, "[log]")):
        typed = "{x}" + keys
        truth = mpfn(fn)
        out.append(Family(name, "zero 1 -+ 10^-k", typed, truth, sides("1"), exact=[("1",)]))
        big, bigargs = powers(mantissas=("1", "2", "9.99"), exponents=HUGE)
        out.append(Family(name, "huge 10^n", typed, truth, big, exact=bigargs))
        tiny, tinyargs = powers(mantissas=("1", "2", "9.99"), exponents=[-e for e in HUGE])
        out.append(Family(name, "tiny 10^-n", typed, truth, tiny, exact=tinyargs))
        out.append(Family(name, "branch 0 -+ 10^-k", typed, truth, sides("0"), exact=[("0",)]))
        if name == "log":
            out.append(Family(name, "10 -+ 10^-k", typed, truth, sides("10"), exact=[("10",)]))
            out.append(Family(name, "10^20 -+ 10^-k", typed, truth, sides("100000000000000000000"),
                              exact=[("100000000000000000000",)]))
    edge = ["921033000", "921032999.99", "-921033000", "-921032999.99", "921034100",
            "-921034100"]
    e = {"e^x": (mpmath.exp, "[Inv][ln]", edge),
         "10^x": (lambda x: mpf(10) ** x, "[Inv][log]",
                  ["399999990", "399999999", "-399999990", "-399999999", "799999990"])}
    for name, (fn, keys, ends) in e.items():
        typed = "{x}" + keys
        truth = mpfn(fn)
        out.append(Family(name, "0 -+ 10^-k", typed, truth, sides("0"), exact=[("0",)]))
        big, bigargs = powers(signs=(1, -1), exponents=[1, 2, 3, 5, 8, 9])
        out.append(Family(name, "large +-10^n", typed, truth, big, exact=bigargs))
        out.append(Family(name, "end of range", typed, truth, lambda P, k: [],
                          exact=[(t,) for t in ends]))
        if name == "10^x":
            for p in ("1", "2", "-3", "100"):
                out.append(Family(name, "integer %s -+ 10^-k" % p, typed, truth, sides(p),
                                  exact=[(p,)]))
        else:
            out.append(Family(name, "end of range -+ 10^-k", typed, truth,
                              lambda P, k: [(-1, (near("921033000", k, -1),)),
                                            (1, (near("-921033000", k, 1),))]))
    return out


def powerfamilies():
    out = []
    xy = power  # of the texts, exactly
    typed = "{x}[x^y]{y}="
    out.append(Family("x^y", "(1 -+ 10^-k)^(10^k)", typed, xy,
                      lambda P, k: [(-1, (near("1", k, -1), "1e%d" % k)),
                                    (1, (near("1", k, 1), "1e%d" % k))]))
    out.append(Family("x^y", "(1 + 10^-k)^(-10^k)", typed, xy,
                      pair(lambda k: near("1", k, 1), lambda k: "-1e%d" % k)))
    out.append(Family("x^y", "(-1 - 10^-k)^(10^k and 10^k + 1)", typed, xy,
                      lambda P, k: [(-1, (near("-1", k, -1), "1e%d" % k)),
                                    (1, (near("-1", k, -1), near("1e%d" % k, 0, 1)))]))
    for y in ("0.5", "2", "-1", "3"):
        out.append(Family("x^y", "(10^-k)^%s" % y, typed, xy, pair(lambda k: "1e-%d" % k,
                                                                     lambda k, y=y: y)))
    out.append(Family("x^y", "2^(-+10^-k)", typed, xy,
                      lambda P, k: [(-1, ("2", "-1e-%d" % k)), (1, ("2", "1e-%d" % k))]))
    out.append(Family("x^y", "exact and no value", typed, xy, lambda P, k: [],
                      exact=[("0", "2"), ("0", "0.5"), ("0", "-1"), ("2", "10"), ("-2", "3"),
                             ("4", "0.5"), ("1", "1e100"), ("-2", "0.5"), ("10", "-300"),
                             ("1e-300", "2"), ("1e200", "2"), ("1e-200", "-2")]))
    rt = root
    typed = "{x}[Inv][x^y]{y}="
    out.append(Family("root", "(1 -+ 10^-k) root 10^-k", typed, rt,
                      lambda P, k: [(-1, (near("1", k, -1), "1e-%d" % k)),
                                    (1, (near("1", k, 1), "1e-%d" % k))]))
    out.append(Family("root", "(1 + 10^-k) root 10^k", typed, rt,
                      pair(lambda k: near("1", k, 1), lambda k: "1e%d" % k)))
    for y in ("2", "3", "7"):
        out.append(Family("root", "(10^-k) root %s" % y, typed, rt,
                          pair(lambda k: "1e-%d" % k, lambda k, y=y: y)))
    out.append(Family("root", "exact and no value", typed, rt, lambda P, k: [],
                      exact=[("1024", "10"), ("1e-300", "3"), ("8", "3"), ("8", "0"),
                             ("0", "2"), ("2", "1e-9"), ("1e300", "-3")]))
    for name, fn, keys in (("sqrt", mpmath.sqrt, "[Inv][x^2]"), ("cbrt", cbrt, "[Inv][x^3]"),
                           ("1/x", lambda x: 1 / x, "[1/x]"), ("x^2", lambda x: x * x, "[x^2]"),
                           ("x^3", lambda x: x ** 3, "[x^3]")):
        t = "{x}" + keys
        truth = mpfn(fn)
        signs = (1,) if name == "sqrt" else (1, -1)
        big, bigargs = powers(signs=signs, mantissas=("1", "2"), exponents=HUGE)
        out.append(Family(name, "huge 10^n", t, truth, big, exact=bigargs))
        tiny, tinyargs = powers(signs=signs, mantissas=("1", "2"), exponents=[-e for e in HUGE])
        out.append(Family(name, "tiny 10^-n", t, truth, tiny, exact=tinyargs))
        out.append(Family(name, "1 -+ 10^-k", t, truth, sides("1"), exact=[("1",)]))
        out.append(Family(name, "0 -+ 10^-k", t, truth, sides("0"), exact=[("0",)]))
    return out


def gammafamilies():
    out = []
    truth = factorial
    typed = "{x}[n!]"
    for n in (0, 1, 2, 3, 7, 10, 33, 50, 99, 100):
        out.append(Family("n!", "pole -%d -+ 10^-k" % n, typed, truth, sides(str(-n)),
                          exact=[(str(-n),)] if n else ()))
    for p in ("1", "2"):
        out.append(Family("n!", "%s -+ 10^-k" % p, typed, truth, sides(p), exact=[(p,)]))
    # n! at 0 is 1: the family "pole -0" above approaches it from both sides.
    out.append(Family("n!", "pole -1000 -+ 10^-k", typed, truth, sides("-1000"),
                      ks=lambda P, ks: [k for k in ks if k <= P + 20][:6] + [P + 20]))
    huge = ["1000", "100000", "1000000", "10000000", "12345678.5", "40000000", "100000000",
            "-1000000.5", "-10000000.5", "-40000550.005075", "0.4616321449683622"]
    out.append(Family("n!", "huge and far below zero", typed, truth, lambda P, k: [],
                      exact=[(t,) for t in huge]))
    return out


def dmsfamilies():
    out = []
    for p in ("1", "3", "90", "359", "1000000"):
        out.append(Family("dms", "%s -+ 10^-k" % p, "{x}[dms]", None, sides(p), exact=[(p,)],
                          dms=True))
    out.append(Family("dms", "0 + 10^-k", "{x}[dms]", None, above("0"), dms=True))
    out.append(Family("dms", "-3 -+ 10^-k", "{x}[dms]", None, sides("-3"), dms=True))
    # The minutes carry: a whole minute typed to k digits, cut and rounded up.
    for minutes in (1, 30, 59):
        def points(P, k, minutes=minutes):
            out = []
            for up in (False, True):
                with localcontext() as c:
                    c.prec = k + 5
                    v = Decimal(3) + Decimal(minutes) / Decimal(60)
                    cut = v.quantize(Decimal(1).scaleb(-(k - 1)), rounding="ROUND_DOWN")
                    if up:
                        cut += Decimal(1).scaleb(-(k - 1))
                out.append((1 if up else -1, (plain(cut),)))
            return out
        out.append(Family("dms", "3 + %d/60 typed to k digits" % minutes, "{x}[dms]", None,
                          points, dms=True))
    out.append(Family("dms", "3.4999 and its kin", "{x}[dms]", None, lambda P, k: [],
                      exact=[("3.4999",), ("0.9999999999",), ("12.99999",), ("0.0001",)],
                      dms=True))
    inv = "{x}[Inv][dms]"
    for p in ("3.5959", "3.59", "0.0059", "3.6", "359.5959"):
        out.append(Family("dms back", "%s -+ 10^-k" % p, inv, fromdms, sides(p), exact=[(p,)]))
    out.append(Family("dms back", "3.5959999... (k nines)", inv, fromdms,
                      lambda P, k: [(-1, (near("3.596", k + 4, -1),))]))
    return out


def families():
    return (trigfamilies() + inversetrigfamilies() + hyperbolicfamilies() + logfamilies() +
            powerfamilies() + gammafamilies() + dmsfamilies())


# Displays found wrong by hand, each at the precision it was seen at: they
# stay in the quick part whatever its plan.
ROWS = [
    ("cos deg", 40, ("89.9999999999999999999999999999",), "[Degrees]{x}[cos]"),
    ("cos grad", 1, ("100.00000000001",), "[Grads]{x}[cos]"),
    ("cos rad", 40, ("1.570796326794896619231321691639",), "[Radians]{x}[cos]"),
    ("cos rad", 6000, None, "[Radians]{x}[cos]"),  # pi/2 to 6000 digits
    ("tan deg", 40, ("89." + "9" * 48,), "[Degrees]{x}[tan]"),
    ("dms", 10, ("0.9999999999",), "{x}[dms]"),
    ("dms", 4, ("3.4999",), "{x}[dms]"),
]


# At 6000 digits a few families, at a few distances.
AT6000 = [("cos rad", "zero pi/2 typed to k digits"), ("tan rad", "pole pi/2 typed to k digits"),
          ("sin rad", "zero pi typed to k digits"), ("cos deg", "zero 90 -+ 10^-k"),
          ("tan deg", "pole 90 -+ 10^-k"), ("sin grad", "zero 200 -+ 10^-k"),
          ("asin rad", "branch 1 -+ 10^-k"), ("acos rad", "branch 1 -+ 10^-k"),
          ("atanh", "pole 1 -+ 10^-k"), ("acosh", "branch 1 -+ 10^-k"),
          ("ln", "zero 1 -+ 10^-k"), ("log", "zero 1 -+ 10^-k"), ("e^x", "0 -+ 10^-k"),
          ("n!", "pole -1 -+ 10^-k"), ("n!", "pole -100 -+ 10^-k"), ("sqrt", "1 -+ 10^-k"),
          ("dms", "1 -+ 10^-k"), ("dms back", "3.5959 -+ 10^-k")]
DISTANCES6000 = [10, 6000, 6020]


def rows():
    """The cases of ROWS as families of their own, one argument each."""
    out = []
    for key, P, args, keys in ROWS:
        label = "hand-picked"
        if args is None:
            args = (typedmultiple(1, 2, 6000, False),)
        name, _, unit = key.partition(" ")
        if name == "dms":
            fam = Family(key, label, keys, None, lambda P, k: [], exact=[args], dms=True)
        elif unit == "rad":
            fam = Family(key, label, keys, mpfn(mpmath.cos), lambda P, k: [], exact=[args])
        else:
            fam = Family(key, label, keys, unittrig(name, RIGHT[unit]), lambda P, k: [],
                         exact=[args])
        fam.at = (P,)
        out.append(fam)
    return out


def display(want, P, dms=False):
    """The correctly rounded display of a true value (a dms display as it
    is), or "(no value)"."""
    if want is None:
        return "(no value)"
    if dms:
        return midpoints.displaytext(want, P)
    if want == 0:
        return "0"
    mp.dps = P + 40
    return midpoints.displaytext(midpoints.todecimal(want, P + 30), P)


# The oracle on values known by other means: worked by hand, or by mpmath
# in another way (cos 89.9...9 degrees = sin 10^-28 degrees). A row is a
# truth, the typed argument, P and the display.
KNOWN = [
    ("cos 90 - 10^-28 deg", unittrig("cos", 90), "89.9999999999999999999999999999", 40,
     "1,7453292519943295769236907684886127134429e-30"),
    ("cos 100 + 10^-11 grad", unittrig("cos", 100), "100.00000000001", 1, "-1,6e-13"),
    ("cos pi/2 to 31 digits", mpfn(mpmath.cos), "1.570796326794896619231321691639", 40,
     "7,514420985846996875529104874722961539082e-31"),
    ("tan 90 - 10^-48 deg", unittrig("tan", 90), "89." + "9" * 48, 40,
     "5,7295779513082320876798154814105170332405e+49"),
    ("cos 90 deg", unittrig("cos", 90), "90", 40, "0"),
    ("cos 100 grad", unittrig("cos", 100), "100", 40, "0"),
    ("sin 180 deg", unittrig("sin", 90), "180", 40, "0"),
    ("tan 180 deg", unittrig("tan", 90), "-180", 40, "0"),
    ("tan 90 deg", unittrig("tan", 90), "90", 40, "(no value)"),
    ("sin 30 deg", unittrig("sin", 90), "390", 8, "0,5"),
    ("tan 150 grad", unittrig("tan", 100), "150", 8, "-1"),
    ("n! at -3", factorial, "-3", 8, "(no value)"),
    ("n! at -3 + 10^-30", factorial, "-2." + "9" * 30, 8, "5e+29"),
    ("n! at 10^-30", factorial, "1e-30", 40, "0,9999999999999999999999999999994227843351"),
    ("n! at 0.5", factorial, "0.5", 20, "0,88622692545275801365"),
    ("(1 + 10^-20)^(10^20)", power, ("1.00000000000000000001", "1e20"), 20,
     "2,71828182845904523535"),
    ("(-1 - 10^-20)^(10^20 + 1)", power, ("-1.00000000000000000001", "100000000000000000001"),
     20, "-2,71828182845904523537"),
    ("(-2)^0.5", power, ("-2", "0.5"), 8, "(no value)"),
    ("0^-1", power, ("0", "-1"), 8, "(no value)"),
    ("1024 root 10", root, ("1024", "10"), 40, "2"),
    ("acosh below 1", mpfn(mpmath.acosh), "0.9", 8, "(no value)"),
    ("dms 1 - 10^-10", "dms", "0.9999999999", 10, "1"),
    ("dms 3.4999", "dms", "3.4999", 4, "3,3"),
    ("dms 3.4999 unrounded", "dms", "3.4999", 8, "3,295964"),
    ("dms 12 + 59/60 + 59.5/3600", "dms", "12.99986111111111", 4, "13"),
    ("dms -0.5", "dms", "-0.5", 8, "-0,3"),
]


def selfcheck():
    """The rows of KNOWN that the oracle gets wrong, and the typed pi/2."""
    wrong = []
    for name, truth, arg, P, want in KNOWN:
        args = arg if isinstance(arg, tuple) else (arg,)
        mp.dps = sum(mantissadigits(a) for a in args) + P + MARGIN
        if truth == "dms":
            got = display(dmsdisplay(arg, P), P, dms=True)
        else:
            got = display(truth(*args), P)
        if got != want:
            wrong.append("%s: %s, not %s" % (name, got, want))
    known = {(arg, P): want for _, _, arg, P, want in KNOWN}
    for family in rows():
        for _, _, args, _ in family.cases(family.at[0], []):
            want = known.get((args[0], family.at[0]))
            got = display(family.value(args, family.at[0]), family.at[0], family.dms)
            if want is not None and got != want:
                wrong.append("the row %s %s: %s, not %s" % (family.key, args[0], got, want))
    for n, up, want in ((31, False, "1.570796326794896619231321691639"), (3, True, "1.58"),
                        (1, False, "1")):
        got = typedmultiple(1, 2, n, up)
        if got != want:
            wrong.append("pi/2 to %d digits: %s, not %s" % (n, got, want))
    return wrong


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--list", action="store_true", help="list the families")
    parser.add_argument("--print", action="store_true", help="print the cases")
    parser.add_argument("-P", type=int, action="append", help="precisions")
    parser.add_argument("--check", action="store_true", help="check the oracle on known values")
    args = parser.parse_args()
    if args.check:
        wrong = selfcheck()
        print("\n".join(wrong) or "the oracle agrees with every known value")
        return 1 if wrong else 0
    fams = families()
    if args.list:
        for f in fams:
            print("%-10s %s" % (f.key, f.label))
        print(len(fams), "families", file=sys.stderr)
    if args.print:
        for P in args.P or [40]:
            for f in fams:
                for k, side, a, keys in f.cases(P, distances(P)):
                    print("%s\t%s\t%d\t%s\t%s" % (f.key, f.label, P, k, keys[:120]))


if __name__ == "__main__":
    sys.exit(main())
