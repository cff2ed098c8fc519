#!/usr/bin/env python3
"""The comparison's tasks on Python's decimal module.

    decimal_tasks.py TASK DIGITS REPS

computes TASK with a context precision of DIGITS, REPS times, then prints the
result on the first line and "cpu SECONDS", the processor time of all
repetitions together, on the second. The module has sqrt, exp, ln, log10 and
non-integral powers; pi, sin and cos are the recipes of the module's
documentation; the rest is derived from those here, with five guard digits
where a formula combines several results.
"""

import sys
import time
from decimal import Decimal, getcontext, localcontext

GUARD = 5


# -- the recipes of the decimal module's documentation ------------------------

def pi():
    """Compute Pi to the current precision."""
    getcontext().prec += 2  # extra digits for intermediate steps
    three = Decimal(3)      # substitute "three=3.0" for regular floats
    lasts, t, s, n, na, d, da = 0, three, 3, 1, 0, 0, 24
    while s != lasts:
        lasts = s
        n, na = n + na, na + 8
        d, da = d + da, da + 32
        t = (t * n) / d
        s += t
    getcontext().prec -= 2
    return +s               # unary plus applies the new precision


def cos(x):
    """Return the cosine of x as measured in radians."""
    getcontext().prec += 2
    i, lasts, s, fact, num, sign = 0, 0, 1, 1, 1, 1
    while s != lasts:
        lasts = s
        i += 2
        fact *= i * (i - 1)
        num *= x * x
        sign *= -1
        s += num / fact * sign
    getcontext().prec -= 2
    return +s


def sin(x):
    """Return the sine of x as measured in radians."""
    getcontext().prec += 2
    i, lasts, s, fact, num, sign = 1, 0, x, 1, x, 1
    while s != lasts:
        lasts = s
        i += 2
        fact *= i * (i - 1)
        num *= x * x
        sign *= -1
        s += num / fact * sign
    getcontext().prec -= 2
    return +s


# -- derived -----------------------------------------------------------------

def guarded(f):
    """f() computed with GUARD more digits, rounded to the precision."""
    with localcontext() as c:
        c.prec += GUARD
        r = f()
    return +r


def atan(x):
    """Halvings atan x = 2 atan(x / (1 + sqrt(1 + x^2))) to below 0.01, then
    the Taylor series."""
    def series():
        y, k = x, 0
        while abs(y) > Decimal("0.01"):
            y = y / (1 + (1 + y * y).sqrt())
            k += 1
        y2, term, s, n = y * y, y, y, 1
        while True:
            term *= -y2
            n += 2
            t = s + term / n
            if t == s:
                break
            s = t
        return s * (1 << k)
    return guarded(series)


def asin(x):
    return guarded(lambda: atan(x / (1 - x * x).sqrt()))


def acos(x):  # 0 < x <= 1
    return guarded(lambda: atan((1 - x * x).sqrt() / x))


def tan(x):  # |x| < pi/2
    def f():
        s = sin(x)
        return s / (1 - s * s).sqrt()
    return guarded(f)


def sinh(x):
    def f():
        e = x.exp()
        return (e - 1 / e) / 2
    return guarded(f)


def asinh(x):  # x >= 0
    return guarded(lambda: (x + (x * x + 1).sqrt()).ln())


def gamma(x):
    """x > 0: the lower incomplete gamma function at N, which differs from
    Gamma(x) by less than N^(x-1) e^-N:
    Gamma(x) ~ N^x e^-N sum_k N^k / (x (x+1) ... (x+k))."""
    digits = getcontext().prec
    with localcontext() as c:
        c.prec = digits + 10
        n = int((digits + 3) * 2.302585093) + 1
        N = Decimal(n)
        tiny = Decimal(10) ** -(digits + 5)
        s, t, k = Decimal(0), 1 / x, 0
        while k <= n or t > s * tiny:
            s += t
            k += 1
            t = t * N / (x + k)
        g = s * (x * N.ln()).exp() / N.exp()
    return +g


def factorial1000():
    p = Decimal(1)
    for i in range(2, 1001):
        p *= i
    return p


# -- the tasks ---------------------------------------------------------------

def operand(digits, seed):
    """The D-digit operands of a/b and a*b; compare_bench and mpfr_tasks.c
    make the same ones."""
    s, out = seed, []
    for i in range(digits):
        s = (s * 1103515245 + 12345) & 0xFFFFFFFF
        r = s >> 16
        out.append(chr(ord("1") + r % 9) if i == 0 else chr(ord("0") + r % 10))
    return "".join(out)


def task(name, digits):
    """The computation of `name` as a function of no arguments."""
    one, two, three, half = Decimal(1), Decimal(2), Decimal(3), Decimal("0.5")
    table = {
        "sqrt2": lambda: two.sqrt(),
        "exp1": lambda: one.exp(),
        "ln2": lambda: two.ln(),
        "log10_7": lambda: Decimal(7).log10(),
        "pow2_0.5": lambda: two ** half,
        "pow3_0.7": lambda: three ** Decimal("0.7"),
        "pi": pi,
        "sin1": lambda: sin(one),
        "cos1": lambda: cos(one),
        "tan1": lambda: tan(one),
        "atan1": lambda: atan(one),
        "asin0.5": lambda: asin(half),
        "acos0.5": lambda: acos(half),
        "sinh1": lambda: sinh(one),
        "asinh1": lambda: asinh(one),
        "gamma0.5": lambda: gamma(half),
        "fact1000": factorial1000,
        "1/7": lambda: one / 7,
    }
    if name in table:
        return table[name]
    if name == "a/b":
        a, b = Decimal(operand(digits, 1)), Decimal(operand(digits, 2))
        return lambda: a / b
    if name == "a*b":
        a, b = Decimal(operand(digits, 3)), Decimal(operand(digits, 4))
        getcontext().prec = 2 * digits + 2  # exact
        return lambda: a * b
    raise SystemExit(f"decimal_tasks: unknown task {name}")


def main(argv):
    if len(argv) != 4:
        raise SystemExit("usage: decimal_tasks.py TASK DIGITS REPS")
    name, digits, reps = argv[1], int(argv[2]), int(argv[3])
    getcontext().prec = digits
    getcontext().Emax = 999999999
    getcontext().Emin = -999999999
    f = task(name, digits)
    r = None
    start = time.process_time()
    for _ in range(reps):
        r = f()
    seconds = time.process_time() - start
    print(r if r is not None else "")
    print(f"cpu {seconds:.9f}")


if __name__ == "__main__":
    main(sys.argv)
