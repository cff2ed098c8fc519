"""Reference values from mpmath and the check of every printed result.

A result passes when it is within 100 units of its D-th significant digit
of the true value (a peer that truncates, or derives a function from two
others, may miss the last digit or two); exact tasks must match every digit.
The error is kept in units of the D-th digit ("ulps") for the report.
"""

import decimal
import re
import sys
from decimal import Decimal
from functools import lru_cache

import mpmath

from peers import operand

TOLERANCE_ULPS = 100

# mpmath converts between text and integers of thousands of digits.
if hasattr(sys, "set_int_max_str_digits"):
    sys.set_int_max_str_digits(0)


def _context(digits):
    return decimal.Context(prec=digits, Emax=decimal.MAX_EMAX, Emin=decimal.MIN_EMIN)


@lru_cache(maxsize=None)
def reference(task, digits):
    """The true value of a task as a Decimal: exact for exact tasks, else
    with 25 digits more than asked for."""
    if task == "a*b":
        return _context(2 * digits + 2).multiply(Decimal(operand(digits, 3)),
                                                 Decimal(operand(digits, 4)))
    mp = mpmath.mp
    saved = mp.dps
    mp.dps = digits + 25
    try:
        half = mpmath.mpf(1) / 2
        values = {
            "sqrt2": lambda: mpmath.sqrt(2),
            "exp1": lambda: mpmath.e + 0,
            "ln2": lambda: mpmath.log(2),
            "log10_7": lambda: mpmath.log10(7),
            "pow2_0.5": lambda: mpmath.power(2, half),
            "pow3_0.7": lambda: mpmath.power(3, mpmath.mpf("0.7")),
            "pi": lambda: +mpmath.pi,
            "sin1": lambda: mpmath.sin(1),
            "cos1": lambda: mpmath.cos(1),
            "tan1": lambda: mpmath.tan(1),
            "atan1": lambda: mpmath.atan(1),
            "asin0.5": lambda: mpmath.asin(half),
            "acos0.5": lambda: mpmath.acos(half),
            "sinh1": lambda: mpmath.sinh(1),
            "asinh1": lambda: mpmath.asinh(1),
            "gamma0.5": lambda: mpmath.gamma(half),
            "fact1000": lambda: mpmath.factorial(1000),
            "1/7": lambda: mpmath.mpf(1) / 7,
            "a/b": lambda: mpmath.mpf(operand(digits, 1)) / mpmath.mpf(operand(digits, 2)),
            "sin_huge": lambda: mpmath.sin(huge_power_of_ten()),
        }
        value = values[task]()
        return Decimal(mpmath.libmp.to_str(value._mpf_, digits + 20))
    finally:
        mp.dps = saved


def huge_power_of_ten():
    """10^1000000 exactly: its odd part 5^1000000 has 2321929 bits."""
    with mpmath.workprec(2400000):
        return mpmath.mpf(10) ** 1000000


def parse(text):
    """The number a program printed, exactly, or None. Accepts a decimal
    comma, bc's ".5", calc's "~", exponents with e or E."""
    t = re.sub(r"\\\n|\s|~", "", text or "").replace(",", ".")
    if t.startswith("."):
        t = "0" + t
    elif t.startswith("-."):
        t = "-0" + t[1:]
    if not re.fullmatch(r"-?\d+(\.\d*)?([eE][-+]?\d+)?", t):
        return None
    return Decimal(t)


def error_ulps(value, ref, digits):
    """|value - ref| in units of the digits-th significant digit of ref."""
    if ref == 0:
        return 0.0 if value == 0 else float("inf")
    length = max(len(value.as_tuple().digits), len(ref.as_tuple().digits)) + 10
    ctx = _context(max(digits + 50, length))
    diff = abs(ctx.subtract(value, ref))
    ulp_exponent = ref.adjusted() - digits + 1
    return float(diff.scaleb(-ulp_exponent, ctx))


def check(task, digits, text, exact=False):
    """(passes, error in ulps or None when nothing numeric was printed)."""
    value = parse(text)
    if value is None:
        return False, None
    ref = reference(task, digits)
    if exact:
        return value == ref, (0.0 if value == ref else error_ulps(value, ref, digits))
    err = error_ulps(value, ref, digits)
    return err <= TOLERANCE_ULPS, err
