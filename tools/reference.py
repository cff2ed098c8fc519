#!/usr/bin/env python3
"""Reference values for the accuracy tests, computed with mpmath.

Each data file in tests/data/ holds one case a line:

    function digits argument... = value

where `value` is the true result written with about 30 more significant
digits than `digits` asks for. The tests run the same function at `digits`
and check the result against `value` within the resolution the function
promises.

    tools/reference.py            # rewrites every data file
    tools/reference.py explog     # rewrites tests/data/explog.txt only

Functions marked @decimal (the degrees-minutes-seconds conversions) are
worked exactly on the argument text with the decimal module instead.
"""

import decimal as decimalmodule
import os
import sys

import mpmath
from mpmath import mp, mpf

# pi/2 typed to 6000 digits is longer than Python writes an int by default.
if hasattr(sys, "set_int_max_str_digits"):
    sys.set_int_max_str_digits(0)

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "tests", "data")

EXTRA = 30  # digits written beyond the precision tested


# The parser reads exponents up to this; values above 10^799999993 move
# the point of their mantissa to the right instead.
MAXEXPONENT = 799999992


def text(v, digits):
    """v in the decimal form the number parser reads."""
    if v == 0:
        return "0"
    s = mpmath.nstr(v, digits, strip_zeros=True, min_fixed=1, max_fixed=0)
    s = s.replace("e+", "e")
    mantissa, _, exponent = s.partition("e")
    if exponent and int(exponent) > MAXEXPONENT:
        sign = "-" if mantissa.startswith("-") else ""
        whole, _, places = mantissa.lstrip("-").partition(".")
        shift = int(exponent) - MAXEXPONENT
        places = places.ljust(shift, "0")
        s = "%s%s%s.%se%d" % (sign, whole, places[:shift], places[shift:] or "0", MAXEXPONENT)
    return s


def case(name, fn, args, digits):
    # The arguments' own digits on top: acos of 0.999...9 loses as many.
    mp.dps = digits + EXTRA + 20 + sum(len(a) for a in args)
    if getattr(fn, "decimal", False):
        # Worked in exact decimal arithmetic on the argument text; the
        # function writes its own value and may depend on the digits.
        return "%s %d %s = %s" % (name, digits, " ".join(args), fn(*args, digits))
    value = fn(*[mpf(a) for a in args])
    return "%s %d %s = %s" % (name, digits, " ".join(args), text(value, digits + EXTRA))


LOW = [1, 10, 40, 100]
HIGH = [1000]

EXPLOG = [
    # square roots: tiny, near 1, large, the ends of the range
    ("sqrtprec", mpmath.sqrt, ["2", "0.5", "3", "99", "1.0000001", "0.9999999", "123456789.123",
                               "1e-9", "1e9", "1e-300", "1e300", "0.0001", "8e-799999990",
                               "4e799999990"], LOW, ["2", "1e-9", "0.5"]),
    ("expprec", mpmath.exp, ["0.5", "1", "-1", "2", "-2.5", "10", "-10", "1e-20", "-1e-20",
                             "0.999999", "100", "-100", "12345.678", "-12345.678", "1e9",
                             "-1e9", "1e-400", "-1e-400", "1e-320", "1842068074", "-1842067000",
                             "5e8", "-5e8", "1842068074.3952", "1e-799999992", "-1e-799999992",
                             "-1e-45"], LOW, ["1", "-1", "100", "1e-400", "1842068074"]),
    ("lnprec", mpmath.log, ["2", "0.5", "10", "3", "1.5", "0.7", "123.456", "1e-100", "1e100",
                            "1.0000000001", "0.9999999999", "1.01", "0.99", "1e-700000000",
                            "1e700000000", "2.0000001", "0.5000001", "0.4999999", "1e-30",
                            "1e799999992", "1e-799999992", "1e49999999", "1e399999990",
                            "9.999999999999999999999999999999999999999999999e799999992",
                            "1.00000000000000000000000000000000000001e400000000"],
     LOW, ["2", "0.5", "1.0000000001", "1e100"]),
    # Long results, where ln takes the arithmetic-geometric mean: near 1,
    # far from it, exactly ln 10, and arguments as long as the digits.
    ("lnprec", mpmath.log, ["1.0000001", "1e-5000", "1e5000", "1e-799999990", "2", "10", "0.5",
                            "0." + "142857" * 1000, "1." + "428571" * 1000], [1000, 3000, 6000],
     []),
    ("logprec", lambda b, x: mpmath.log(x) / mpmath.log(b),
     [("10", "1000"), ("10", "2"), ("2", "1024"), ("10", "0.001"), ("10", "7"), ("0.5", "3"),
      ("3", "1e-50"), ("1.000001", "2")], LOW, [("10", "7")]),
    ("powprec", lambda x, y: x ** y,
     [("2", "0.5"), ("3", "0.7"), ("2", "10"), ("0.5", "-3"), ("1.0001", "10000"), ("7", "-2.5"),
      ("1e10", "1e-5"), ("2", "1000"), ("10", "-50.5"), ("123.456", "7.89"),
      ("0.999", "-123456"), ("1e-399999900", "2"), ("1e799999992", "0.5"),
      ("10", "-799999800.5"), ("2", "2657542475"), ("1e799999992", "1e-799999992"),
      ("0.5", "1e9"), ("1.000001", "1e15")], LOW, [("2", "0.5"), ("3", "0.7"), ("2", "2657542475")]),
    ("rootprec", lambda x, n: x ** (1 / n),
     [("2", "3"), ("1e799999992", "3"), ("9e-799999992", "3"), ("1e799999992", "1e799999992"),
      ("1e-799999992", "7"), ("27", "3"), ("0.5", "-2.5")], LOW, [("1e799999992", "3")]),
]

# Keys at the ends of the range of a number: the true value, or the side of
# the range it lies beyond ("overflow", "underflow"). tools/extremes.py
# searches these systematically; here a few of each kind at a few
# precisions stay in the tests.
RANGE = [
    ("1E49999999[ln]", lambda: mpmath.log(mpf("1e49999999"))),
    ("1E399999990[ln]", lambda: mpmath.log(mpf("1e399999990"))),
    ("1E799999992[ln]", lambda: mpmath.log(mpf("1e799999992"))),
    ("1E-799999992[ln]", lambda: mpmath.log(mpf("1e-799999992"))),
    ("9E-799999992[log]", lambda: mpmath.log10(mpf("9e-799999992"))),
    ("1E49999999[Hyp][Inv][sin]", lambda: mpmath.asinh(mpf("1e49999999"))),
    ("1E49999999[Hyp][Inv][cos]", lambda: mpmath.acosh(mpf("1e49999999"))),
    ("9,99999999E799999992[Hyp][Inv][sin]", lambda: mpmath.asinh(mpf("9.99999999e799999992"))),
    ("-1E799999992[Hyp][Inv][sin]", lambda: mpmath.asinh(mpf("-1e799999992"))),
    ("1E-799999992[Inv][ln]", lambda: mpf(1)),
    ("1E-799999992[Inv][log]", lambda: mpf(1)),
    ("1842068074[Inv][ln]", lambda: mpmath.exp(1842068074)),
    ("1842068075[Inv][ln]", "overflow"),
    ("-1842068055[Inv][ln]", "underflow"),
    ("-1842060000[Inv][ln]", lambda: mpmath.exp(-1842060000)),
    ("799999999,5[Inv][log]", lambda: mpf(10) ** mpf("799999999.5")),
    ("1842068074[Hyp][cos]", lambda: mpmath.cosh(1842068074)),
    ("1842068075[Hyp][cos]", lambda: mpmath.cosh(1842068075)),
    ("-1842068075[Hyp][sin]", lambda: mpmath.sinh(-1842068075)),
    ("1842068076[Hyp][sin]", "overflow"),
    ("1E799999992[Hyp][tan]", lambda: mpf(1)),
    ("3E399999999[x^2]", lambda: mpf("3e399999999") ** 2),
    ("1E400000000[x^2]", "overflow"),
    ("1E266666666[x^3]", lambda: mpf("1e266666666") ** 3),
    ("1E266666667[x^3]", "overflow"),
    ("1E-266666665[x^3]", "underflow"),
    ("1E799999992[Inv][x^2]", lambda: mpmath.sqrt(mpf("1e799999992"))),
    ("9E-799999992[Inv][x^3]", lambda: mpmath.cbrt(mpf("9e-799999992"))),
    ("2E799999992[Inv][x^3]", lambda: mpmath.cbrt(mpf("2e799999992"))),
    ("1E-799999992[1/x]", lambda: mpf("1e799999992")),
    ("9E-799999992/6E-799999992=", lambda: mpf("1.5")),
    ("1E799999992/3E799999992=", lambda: mpf(1) / 3),
    ("7E799999992/3E-799999992=", "overflow"),
    ("7E-799999992/3E799999992=", "underflow"),
    ("1E400000000*1E-400000000=", lambda: mpf(1)),
    ("1E400000000*3E399999999=", lambda: mpf("3e799999999")),
    ("1E-400000000*1E-400000000=", "underflow"),
    ("1E400000000*1E400000000=", "overflow"),
    ("1E-400000000[x^y]2=", "underflow"),
    ("1E-399999000[x^y]2=", lambda: mpf("1e-799998000")),
    ("1E799999992[x^y]0,5=", lambda: mpf("1e399999996")),
    ("2[x^y]2657542475=", lambda: mpf(2) ** 2657542475),
    ("2[x^y]2657542476=", "overflow"),
    ("2[x^y]-1E799999992=", "underflow"),
    ("3[x^y]1E-799999992=", lambda: mpf(1)),
    ("1E799999992[Inv][x^y]3=", lambda: mpmath.cbrt(mpf("1e799999992"))),
    ("1E-799999992[Inv][x^y]1E-799999992=", "underflow"),
    ("1E799999992[Inv][x^y]1E799999992=", lambda: mpmath.exp(mpmath.log(mpf("1e799999992")) / mpf("1e799999992"))),
]


def generate(table):
    lines = []
    for name, fn, args, digits, highargs in table:
        for a in args:
            a = a if isinstance(a, tuple) else (a,)
            for d in digits:
                lines.append(case(name, fn, list(a), d))
        for a in highargs:
            a = a if isinstance(a, tuple) else (a,)
            for d in HIGH:
                lines.append(case(name, fn, list(a), d))
    return lines


def radians(degrees, digits=60):
    """The angle in radians as a decimal of `digits` significant digits."""
    with mpmath.workdps(digits + 20):
        return text(mpf(degrees) * mpmath.pi / 180, digits)


def decimal(fn):
    fn.decimal = True
    return fn


EXACT = decimalmodule.Context(prec=400, rounding=decimalmodule.ROUND_HALF_UP)


def plain(v):
    return format(v.normalize(EXACT), "f") if v != 0 else "0"


def shownplaces(v, P):
    """The decimal places the display of v at P digits shows: P + 1
    significant digits, or P places where v rounds to a value from 10^-5 up
    to 1 (written without an exponent)."""
    if v == 0:
        return P
    lead = v.adjusted()
    rounded = v.quantize(decimalmodule.Decimal(1).scaleb(lead - P))
    return P if rounded != 0 and -4 <= rounded.adjusted() < 0 else P - lead


@decimal
def todms(x, digits):
    """Degrees to d.mmss as the display at `digits` shows it: the total
    seconds rounded half away from zero to the unit of the last shown place
    (10 minutes at one place, a minute at two, 10^(4 - places) seconds from
    three on, 10^-places degrees from none down), carried into the minutes
    and degrees."""
    with decimalmodule.localcontext(EXACT) as context:
        context.prec = 100000
        D = decimalmodule.Decimal
        x = D(x)
        a = abs(x)
        whole = a.to_integral_value(rounding=decimalmodule.ROUND_FLOOR)
        f = a - whole

        def rounded(places):
            if places <= 0:
                return a.quantize(D(1).scaleb(-places))
            if places <= 2:
                t = (f * 60).quantize(D(1).scaleb(2 - places)) * 60
            else:
                t = (f * 3600).quantize(D(1).scaleb(4 - places))
            minutes = int(t) // 60
            if minutes == 60:
                return whole + 1
            return whole + D(minutes).scaleb(-2) + (t - 60 * minutes).scaleb(-4)

        minutes = int(f * 60)
        places = shownplaces(whole + D(minutes).scaleb(-2) + (f * 60 - minutes).scaleb(-2) * 60 / 100, digits)
        r = rounded(places)
        while shownplaces(r, digits) < places:
            places = shownplaces(r, digits)
            r = rounded(places)
        return plain(-r if x < 0 else r)


@decimal
def fromdms(x, digits):
    """d.mmss to degrees, not rounded: minutes and seconds at face value."""
    with decimalmodule.localcontext(EXACT) as context:
        context.prec = digits + EXTRA + 10
        x = decimalmodule.Decimal(x)
        a = abs(x)
        whole = a.to_integral_value(rounding=decimalmodule.ROUND_FLOOR)
        f = (a - whole) * 100
        minutes = f.to_integral_value(rounding=decimalmodule.ROUND_FLOOR)
        r = whole + minutes / 60 + (f - minutes) * 100 / 3600
        return plain(-r if x < 0 else r)


TRIG_ARGS = ["0.5", "1", "-1", "3", "-3", "0.001", "1e-20", "-1e-20", "1.5707963",
             "1.5707963267948966", "-1.5707963267948966", "3.14159265358979", "4.71238898038469",
             "6.283185307179586", "10", "100", "-100", "12345.678", "8.467e17", "1e20", "1e30",
             "-1e30",
             radians("45"), radians("89.9999"), radians("90.0001"), radians("89.99999999"),
             radians("269.9999"), radians("270.00000001"), radians("179.9999")]

TRIG = [
    ("pi", lambda: +mpmath.pi, [()], LOW + HIGH + [6000], []),
    ("sinprec", mpmath.sin, TRIG_ARGS, LOW, ["1", "0.5", "1e30", radians("89.9999")]),
    ("cosprec", mpmath.cos, TRIG_ARGS, LOW, ["1", "0.5", "1e30", radians("89.9999")]),
    ("tanprec", mpmath.tan, TRIG_ARGS, LOW, ["1", radians("89.9999")]),
    ("atanprec", mpmath.atan, ["0.5", "1", "-1", "2", "-2", "0.1", "1e-20", "-1e-20", "1e-5",
                               "0.49", "0.51", "0.9999999", "123.456", "1e20", "1e30", "-1e30",
                               "3", "0.001"], LOW, ["1", "0.5", "1e30"]),
    ("asinprec", mpmath.asin, ["0.5", "-0.5", "1", "-1", "0.1", "1e-20", "-1e-20", "0.9999999",
                               "0.99999999999999999999",
                               "0.9999999999999999999999999999999999999999", "-0.99999",
                               "0.7071067811865475", "0.3", "1e-5", "0.49999", "0.99"],
     LOW, ["0.5", "0.9999999"]),
    ("acosprec", mpmath.acos, ["0", "0.5", "-0.5", "-1", "0.1", "1e-20", "0.9999999",
                               "0.99999999999999999999",
                               "0.9999999999999999999999999999999999999999", "-0.9999999", "0.3",
                               "-0.99999999999999999999"], LOW, ["0.5", "0.9999999"]),
]

# The inverse functions at their hard points, at 1 to 6000 digits: the
# exact multiples of pi (1, 1/2), arguments a hair from +-1, tiny and huge
# ones; and pi just above its table and far beyond it.
NINES = "0." + "9" * 50
INVERSE_DIGITS = [1, 40, 1000, 6000]

INVERSE = [
    ("atanprec", mpmath.atan, ["1", "-1", "0.7", "-0.7", "0.9999999999999999999",
                               "1.0000000000000000001", "1e-5000", "-1e-5000", "1e100000",
                               "-1e100000", "2", "0.5", "3e-7"], INVERSE_DIGITS, []),
    ("asinprec", mpmath.asin, ["0.5", "-0.5", "1", "-1", "0.7", NINES, "-" + NINES, "1e-5000",
                               "0.000001"], INVERSE_DIGITS, []),
    ("acosprec", mpmath.acos, ["0.5", "-0.5", "0", "1", "-1", "0.7", NINES, "-" + NINES,
                               "1e-5000", "-1e-5000"], INVERSE_DIGITS, []),
    ("pi", lambda: +mpmath.pi, [()], [6391, 6401, 6409, 6500, 7000, 12000], []),
]

PI_TAIL_DIGITS = 100000  # pi to this many decimals, checked on its last TAIL of them
PI_TAIL = 60


def pitail():
    """The decimals PI_TAIL_DIGITS - PI_TAIL + 1 to PI_TAIL_DIGITS + 20 of pi."""
    mp.dps = PI_TAIL_DIGITS + 50
    decimals = mpmath.nstr(+mpmath.pi, PI_TAIL_DIGITS + 40, strip_zeros=False)[2:]
    first = PI_TAIL_DIGITS - PI_TAIL
    return "pidecimals %d %d = %s" % (PI_TAIL_DIGITS, first + 1,
                                      decimals[first:PI_TAIL_DIGITS + 20])
# The binary-splitting series of exp, sin and cos at a resolution 10^-digits:
# short arguments (one piece), arguments whose places end at the pieces'
# edges (16, 32 places) or one place beyond, long ones (1/7 to the digits
# asked, many pieces), tiny and large ones, and the precisions on either
# side of where the splitting takes over (100, 101).
SEVENTH = "1/7"  # stands for 1/7 to the digits of the case


def seventh(digits):
    with mpmath.workdps(digits + 20):
        return text(mpf(1) / 7, digits + 10)


SERIES_ARGS = ["1", "0.7", "2.5", "0.9999999999999999", "0.99999999999999999",
               "0.12345678901234567890123456789012", "0.123456789012345678901234567890123",
               "1e-17", "1e-5000", "0.0000000000000000123", SEVENTH]
SERIES = [
    ("exp", mpmath.exp, SERIES_ARGS + ["12345.678", "100", "-1", "-2.5"],
     [1, 40, 100, 101, 1000], ["1", "0.7", "1e-5000", SEVENTH, "12345.678"]),
    ("sin", mpmath.sin, SERIES_ARGS + ["3.99", "-3.99", "-0.5", "0.785", "1.5707963267948966",
                                       "3.1415926535897932384626433832795", "100"],
     [1, 40, 100, 101, 1000], ["1", "0.7", "1e-5000", SEVENTH, "3.99"]),
    ("cos", mpmath.cos, SERIES_ARGS + ["3.99", "-3.99", "-0.5", "0.785", "1.5707963267948966",
                                       "3.1415926535897932384626433832795", "100"],
     [1, 40, 100, 101, 1000], ["1", "0.7", "1e-5000", SEVENTH, "3.99"]),
]


def generateseries(table):
    lines = []
    for name, fn, args, digits, highargs in table:
        for precisions, arguments in ((digits, args), ([6000], highargs)):
            for a in arguments:
                for d in precisions:
                    x = seventh(d) if a == SEVENTH else a
                    lines.append(case(name, fn, [x], d))
    return lines


GAMMA = [
    ("factorial", mpmath.factorial, ["0", "1", "5", "20", "100", "1000", "0.5", "-0.5", "-0.7",
                                     "1.5", "10.25", "-10.25", "0.001", "-0.999", "3.7", "48.5",
                                     "300000", "10000000", "10000000.5", "123456.789",
                                     "-100000.5", "0.1234567891234567891234567",
                                     "0.333333333333333333333333333333333333333333333333333333333",
                                     "-0.6666666666666666666666666666666666666666666666666666667",
                                     "1000.0123456789012345678901234567890123456789012345678",
                                     "-300.98765432109876543210987654321098765432109876543",
                                     "0.0000000000000000000000000000001234567890123456789",
                                     # the largest sizes the engine takes
                                     "54762933", "-54762932.5"],
     LOW, ["1000", "0.5", "10000000", "-100000.5", "0.1234567891234567891234567",
           "0.333333333333333333333333333333333333333333333333333333333",
           "-300.98765432109876543210987654321098765432109876543"]),
    ("gamma", mpmath.gamma, ["-19.5", "-10.3", "-5.5", "-2.5", "-1.5", "-0.5", "-0.001", "0.001",
                             "0.3", "1.7", "2.5", "7.77", "25.123", "49.9", "-19.999999",
                             "1.0000001", "1.4142135623730950488016887242096980785696718753769",
                             "-10000.25", "-75109.064802477", "-211110.11111111111111",
                             "-9999.999999999", "-40000549.005075", "-123456.5000000001"],
     LOW, ["1.4142135623730950488016887242096980785696718753769"]),
    ("todms", todms, ["0.5", "0.1234", "-1.5", "12", "0.99999999999", "12.3456789", "359.999999",
                      "0.0001", "-45.123456789012345", "1e-10", "123456.789", "0.0167"],
     LOW + [6], []),
    ("fromdms", fromdms, ["0.3", "12.304515", "0.75", "-45.3030", "0.005959", "1.00000001",
                          "359.5959999", "1e-10", "0.0018", "7.1234567890123"], LOW + [6], []),
]

# Gamma of half-integers, sqrt(pi) times or over a product of halves: from
# small ones to one near the last the product takes before Stirling's series
# at 6000 digits, and below zero.
HALF_INTEGERS = ["0.5", "1.5", "7.5", "100.5", "4999.5", "100001.5",
                 "-0.5", "-7.5", "-99.5", "-4999.5"]
HALF_PRECISIONS = [1, 40, 1000, 6000]


# Short arguments whose series runs on 64-bit steps, at long precisions,
# and the recurrence's products of many short factors above and below zero.
SHORT_SERIES = [("0.3", 1000), ("7.77", 1000), ("100000.25", 6000), ("-99.75", 6000)]


def halfintegers():
    return ([case("gamma", mpmath.gamma, [a], d) for a in HALF_INTEGERS for d in HALF_PRECISIONS]
            + [case("gamma", mpmath.gamma, [a], d) for a, d in SHORT_SERIES])


# n! typed near its poles (the negative integers) and near 0 and 4, at a
# distance of 10^-k for k from 1 to P + 20 and a few beyond, on both sides:
# rows "n! P keys = value", the keys typing the argument; the display must
# be the value correctly rounded.
POLE_PRECISIONS = [1, 3, 8, 17, 40, 100]
POLE_CENTRES = [-1, -2, -3, -6, -21, 0, 4]
# Arguments of 6000 decimals, about the longest the entry takes, for some.
LONG_PRECISIONS = [1, 40]
LONG_CENTRES = [-1, -6, 0, 4]


def nearkeys(centre, k, above):
    """The keys of centre +- 10^-k, typed as digits, and its exact value."""
    x = decimalmodule.Decimal(centre) + decimalmodule.Decimal(1 if above else -1).scaleb(-k)
    text = format(abs(x), "f")
    keys = text.replace(".", ",") + ("[+/-]" if x < 0 else "")
    return keys, x


def poles():
    lines = []
    with decimalmodule.localcontext(decimalmodule.Context(prec=10000)):
        for P in POLE_PRECISIONS:
            for centre in POLE_CENTRES:
                beyond = [P + 40, 2 * P + 60, 1000]
                if P in LONG_PRECISIONS and centre in LONG_CENTRES:
                    beyond.append(6000)
                for k in list(range(1, P + 21)) + beyond:
                    for above in (True, False):
                        keys, x = nearkeys(centre, k, above)
                        mp.dps = k + P + EXTRA + 40
                        offset = mpf(10) ** -k
                        value = mpmath.gamma(centre + 1 + (offset if above else -offset))
                        mp.dps = P + EXTRA + 20
                        value = +value
                        lines.append("n! %d %s[n!] = %s" % (P, keys, text(value, P + EXTRA)))
    return lines


def deg(x):
    return mpf(x) * mpmath.pi / 180


def grad(x):
    return mpf(x) * mpmath.pi / 200


def todegrees(r):
    return r * 180 / mpmath.pi


def halfpi(decimals):
    """pi/2 cut after `decimals` decimals, as typed: a comma for the point."""
    mp.dps = decimals + 20
    return "1," + str(int(mpmath.floor((mpmath.pi / 2 - 1) * mpf(10) ** decimals))).zfill(decimals)


PI_HALF_TEXT = halfpi(110)
PI_HALF_LONG = halfpi(5999)

# The scientific keys as typed: the key text (zelkc's), its true value and
# the precisions to check it at (40 and 100 where none are given).
KEYS = [
    ("2[ln]", lambda: mpmath.log(2)),
    ("0,5[ln]", lambda: mpmath.log(mpf("0.5"))),
    ("1e100[ln]", lambda: mpmath.log(mpf("1e100"))),
    ("1,000001[ln]", lambda: mpmath.log(mpf("1.000001"))),
    ("1[Inv][ln]", lambda: mpmath.e),
    ("2,5[+/-][Inv][ln]", lambda: mpmath.exp(mpf("-2.5"))),
    ("100[Inv][ln]", lambda: mpmath.exp(100)),
    ("1e10[+/-][Inv][ln]", lambda: mpmath.exp(mpf("1e-10"))),
    ("2[log]", lambda: mpmath.log10(2)),
    ("7[log]", lambda: mpmath.log10(7)),
    ("0,001[log]", lambda: mpf(-3)),
    ("1e50[log]", lambda: mpf(50)),
    ("0,5[Inv][log]", lambda: mpmath.sqrt(10)),
    ("2,5[+/-][Inv][log]", lambda: mpf(10) ** mpf("-2.5")),
    ("3[Inv][log]", lambda: mpf(1000)),
    ("1,5[x^2]", lambda: mpf("2.25")),
    ("123456789[x^2]", lambda: mpf(123456789) ** 2),
    ("2[Inv][x^2]", lambda: mpmath.sqrt(2)),
    ("3[Inv][x^2]", lambda: mpmath.sqrt(3)),
    ("1e10[+/-][Inv][x^2]", lambda: mpf("1e-5")),
    ("1,1[x^3]", lambda: mpf("1.331")),
    ("2[Inv][x^3]", lambda: mpmath.cbrt(2)),
    ("27[+/-][Inv][x^3]", lambda: mpf(-3)),
    ("0,001[Inv][x^3]", lambda: mpf("0.1")),
    ("3[1/x]", lambda: 1 / mpf(3)),
    ("7[+/-][1/x]", lambda: -1 / mpf(7)),
    ("8[1/x]", lambda: mpf("0.125")),
    ("20[n!]", lambda: mpmath.factorial(20)),
    ("50[n!]", lambda: mpmath.factorial(50)),
    ("0,5[n!]", lambda: mpmath.gamma(mpf("1.5"))),
    ("2,5[+/-][n!]", lambda: mpmath.gamma(mpf("-1.5"))),
    ("30[sin]", lambda: mpf("0.5")),
    ("1[sin]", lambda: mpmath.sin(deg(1))),
    ("45[sin]", lambda: mpmath.sin(deg(45))),
    ("390[sin]", lambda: mpf("0.5")),
    ("89,9999[cos]", lambda: mpmath.cos(deg("89.9999"))),
    ("123,456[tan]", lambda: mpmath.tan(deg("123.456"))),
    ("60[cos]", lambda: mpf("0.5")),
    ("1e20[sin]", lambda: mpmath.sin(deg("1e20"))),
    ("[Radians]1[sin]", lambda: mpmath.sin(1)),
    ("[Radians]1[cos]", lambda: mpmath.cos(1)),
    ("[Radians]1[tan]", lambda: mpmath.tan(1)),
    ("[Radians]1e20[sin]", lambda: mpmath.sin(mpf("1e20"))),
    ("[Radians]1,5707963267948966[cos]", lambda: mpmath.cos(mpf("1.5707963267948966"))),
    ("[Radians]3,14159265358979[sin]", lambda: mpmath.sin(mpf("3.14159265358979"))),
    ("[Grads]50[sin]", lambda: mpmath.sin(grad(50))),
    ("[Grads]400[cos]", lambda: mpf(1)),
    ("0,5[Inv][sin]", lambda: mpf(30)),
    ("0,5[Inv][cos]", lambda: mpf(60)),
    ("1[Inv][tan]", lambda: mpf(45)),
    ("0,3[Inv][sin]", lambda: todegrees(mpmath.asin(mpf("0.3")))),
    ("[Radians]0,5[Inv][sin]", lambda: mpmath.asin(mpf("0.5"))),
    ("[Radians]2[Inv][tan]", lambda: mpmath.atan(2)),
    ("[Radians]0,3[+/-][Inv][cos]", lambda: mpmath.acos(mpf("-0.3"))),
    ("[Grads]1[Inv][sin]", lambda: mpf(100)),
    ("1[Hyp][sin]", lambda: mpmath.sinh(1)),
    ("1e10[+/-][Hyp][sin]", lambda: mpmath.sinh(mpf("1e-10"))),
    ("2[Hyp][cos]", lambda: mpmath.cosh(2)),
    ("0,5[Hyp][tan]", lambda: mpmath.tanh(mpf("0.5"))),
    ("1e10[+/-][Hyp][tan]", lambda: mpmath.tanh(mpf("1e-10"))),
    ("1[Hyp][Inv][sin]", lambda: mpmath.asinh(1)),
    ("1000000[+/-][Hyp][Inv][sin]", lambda: mpmath.asinh(mpf(-1000000))),
    ("1e10[+/-][Hyp][Inv][sin]", lambda: mpmath.asinh(mpf("1e-10"))),
    ("2[Hyp][Inv][cos]", lambda: mpmath.acosh(2)),
    ("0,5[Hyp][Inv][tan]", lambda: mpmath.atanh(mpf("0.5"))),
    ("1e10[+/-][Hyp][Inv][tan]", lambda: mpmath.atanh(mpf("1e-10"))),
    ("12,5[dms]", lambda: mpf("12.3")),
    ("12,3045[Inv][dms]", lambda: mpf("12.5125")),
    ("[PI]", lambda: +mpmath.pi),
    ("2y0,5=", lambda: mpmath.sqrt(2)),
    ("3y0,7=", lambda: mpf(3) ** mpf("0.7")),
    ("7y2,5[+/-]=", lambda: mpf(7) ** mpf("-2.5")),
    ("2y10=", lambda: mpf(1024)),
    ("2[Inv]y3=", lambda: mpmath.cbrt(2)),
    ("8[Inv]y3=", lambda: mpf(2)),
    # Beside the zeros and poles: decimals a hair from a multiple of a right
    # angle, whose values keep their digits relative to themselves.
    ("89,9999999999999999999999999999[cos]", lambda: mpmath.cos(deg("89.9999999999999999999999999999"))),
    ("[Grads]100,00000000001[cos]", lambda: mpmath.cos(grad("100.00000000001")), [1, 40]),
    ("[Radians]1,570796326794896619231321691639[cos]",
     lambda: mpmath.cos(mpf("1.570796326794896619231321691639"))),
    ("89," + "9" * 48 + "[tan]", lambda: mpmath.tan(deg("89." + "9" * 48))),
    ("89," + "9" * 32 + "[tan]", lambda: mpmath.tan(deg("89." + "9" * 32)), [6, 40]),
    ("90,00000000000000000000000001[tan]", lambda: mpmath.tan(deg("90.00000000000000000000000001"))),
    ("180,000000000000000000000000000000000001[sin]",
     lambda: mpmath.sin(deg("180.000000000000000000000000000000000001"))),
    ("180000000,000000000000000000001[sin]", lambda: mpmath.sin(deg("180000000.000000000000000000001"))),
    ("[Grads]200,0000000000000000000000001[+/-][tan]",
     lambda: mpmath.tan(grad("-200.0000000000000000000000001"))),
    ("[Radians]3,1415926535897932384626433832795028841971693993751[sin]",
     lambda: mpmath.sin(mpf("3.1415926535897932384626433832795028841971693993751"))),
    ("[Radians]" + PI_HALF_TEXT + "[tan]", lambda: mpmath.tan(mpf(PI_HALF_TEXT.replace(",", ".")))),
    ("[Radians]" + PI_HALF_LONG + "[cos]", lambda: mpmath.cos(mpf(PI_HALF_LONG.replace(",", "."))),
     [6000]),
    ("1e30[+/-][cos]", lambda: mpmath.cos(deg("1e-30"))),
    ("1e400000000[+/-][sin]", lambda: mpmath.sin(deg("1e-400000000"))),
    ("[Radians]1e799999992[+/-][tan]", lambda: mpf("1e-799999992")),
    ("1e700000000[+/-][Inv][sin]", lambda: todegrees(mpf("1e-700000000"))),
    # ln 10 to twice the longest precision, in the difference ln y - ln 10.
    ("0," + "9" * 6000 + "[ln]", lambda: mpmath.log(1 - mpf(10) ** -6000), [6000]),
    # e^x, sin, cos and the keys built on them where the series are summed
    # by binary splitting, short arguments and long ones (the rest of a
    # reduction), beside multiples of a right angle in each unit.
    ("1[Inv][ln]", lambda: mpmath.e, [1000, 6000]),
    ("0,7[Inv][ln]", lambda: mpmath.exp(mpf("0.7")), [1000, 6000]),
    ("2[ln]", lambda: mpmath.log(2), [1000, 6000]),
    ("7[log]", lambda: mpmath.log10(7), [1000]),
    ("[Radians]1[sin]", lambda: mpmath.sin(1), [1000, 6000]),
    ("[Radians]1[cos]", lambda: mpmath.cos(1), [1000, 6000]),
    ("[Radians]1[tan]", lambda: mpmath.tan(1), [1000]),
    ("[Radians]0,7[sin]", lambda: mpmath.sin(mpf("0.7")), [1000]),
    ("[Radians]1e5000[+/-][sin]", lambda: mpmath.sin(mpf("1e-5000")), [6000]),
    ("[Radians]1e5000[+/-][cos]", lambda: mpmath.cos(mpf("1e-5000")), [6000]),
    ("[Radians]1,5707963267948966[cos]", lambda: mpmath.cos(mpf("1.5707963267948966")), [1000]),
    ("[Radians]4,7123889803846897[sin]", lambda: mpmath.sin(mpf("4.7123889803846897")), [1000]),
    ("[Radians]12345,678[sin]", lambda: mpmath.sin(mpf("12345.678")), [1000]),
    ("89,9999999999999999999[cos]", lambda: mpmath.cos(deg("89.9999999999999999999")), [1000]),
    ("270,000000000001[sin]", lambda: mpmath.sin(deg("270.000000000001")), [1000]),
    ("[Grads]199,99999999999[sin]", lambda: mpmath.sin(grad("199.99999999999")), [1000]),
    ("[Grads]100,0000000001[cos]", lambda: mpmath.cos(grad("100.0000000001")), [1000]),
    ("1[Hyp][sin]", lambda: mpmath.sinh(1), [1000, 6000]),
    ("1[Hyp][cos]", lambda: mpmath.cosh(1), [1000]),
    ("0,7[Hyp][tan]", lambda: mpmath.tanh(mpf("0.7")), [1000]),
    ("1[Hyp][Inv][sin]", lambda: mpmath.asinh(1), [1000, 6000]),
    ("12345,678[Inv][ln]", lambda: mpmath.exp(mpf("12345.678")), [1000]),
    ("3y0,7=", lambda: mpf(3) ** mpf("0.7"), [1000, 6000]),
    ("2y0,5=", lambda: mpmath.sqrt(2), [6000]),
    # acos of a tiny x at P = 1000: pi/2 - x.
    ("1[+/-][EE]1000[+/-][Inv][cos]", lambda: todegrees(mpmath.acos(-mpf("1e-1000"))), [1000]),
]


def generatekeys(table, name="keys", precisions=(40, 100)):
    lines = []
    for P in precisions:
        for keys, fn, *digits in table:
            if not digits:
                lines.append(keycase(name, keys, fn, P))
    for keys, fn, *digits in table:
        for P in digits[0] if digits else []:
            lines.append(keycase(name, keys, fn, P))
    return lines


def keycase(name, keys, fn, P):
    # The arguments' own digits and P more: a value beside a zero needs
    # them all.
    mp.dps = len(keys) + P + EXTRA + 20
    value = fn if isinstance(fn, str) else text(fn(), P + EXTRA)
    return "%s %d %s = %s" % (name, P, keys, value)


FILES = {"explog": EXPLOG, "trig": TRIG, "series": SERIES, "gamma": GAMMA, "keys": KEYS,
         "range": RANGE, "inverse": INVERSE}


def main(argv):
    names = argv[1:] or sorted(FILES)
    for name in names:
        if name == "keys":
            lines = generatekeys(KEYS)
        elif name == "series":
            lines = generateseries(SERIES)
        elif name == "range":
            lines = generatekeys(RANGE, "range", (1, 4, 40, 1000))
        else:
            lines = generate(FILES[name])
        if name == "gamma":
            lines += halfintegers() + poles()
        if name == "inverse":
            lines.append(pitail())
        path = os.path.join(DATA, name + ".txt")
        with open(path, "w") as out:
            out.write("# Reference values from mpmath %s (tools/reference.py %s).\n"
                      % (mpmath.__version__, name))
            out.write("# function digits argument... = value\n")
            out.write("\n".join(lines) + "\n")
        print("%s: %d cases" % (path, len(lines)))


if __name__ == "__main__":
    main(sys.argv)
