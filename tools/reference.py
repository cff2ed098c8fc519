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
"""

import os
import sys

import mpmath
from mpmath import mp, mpf

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "tests", "data")

EXTRA = 30  # digits written beyond the precision tested


def text(v, digits):
    """v in the decimal form the number parser reads."""
    if v == 0:
        return "0"
    s = mpmath.nstr(v, digits, strip_zeros=True, min_fixed=1, max_fixed=0)
    return s.replace("e+", "e")


def case(name, fn, args, digits):
    mp.dps = digits + EXTRA + 20
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
                             "-1e9", "1e-400", "-1e-400", "1e-320"], LOW, ["1", "-1", "100", "1e-400"]),
    ("lnprec", mpmath.log, ["2", "0.5", "10", "3", "1.5", "0.7", "123.456", "1e-100", "1e100",
                            "1.0000000001", "0.9999999999", "1.01", "0.99", "1e-700000000",
                            "1e700000000", "2.0000001", "0.5000001", "0.4999999", "1e-30"],
     LOW, ["2", "0.5", "1.0000000001", "1e100"]),
    ("logprec", lambda b, x: mpmath.log(x) / mpmath.log(b),
     [("10", "1000"), ("10", "2"), ("2", "1024"), ("10", "0.001"), ("10", "7"), ("0.5", "3"),
      ("3", "1e-50"), ("1.000001", "2")], LOW, [("10", "7")]),
    ("powprec", lambda x, y: x ** y,
     [("2", "0.5"), ("3", "0.7"), ("2", "10"), ("0.5", "-3"), ("1.0001", "10000"), ("7", "-2.5"),
      ("1e10", "1e-5"), ("2", "1000"), ("10", "-50.5"), ("123.456", "7.89"),
      ("0.999", "-123456")], LOW, [("2", "0.5"), ("3", "0.7")]),
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


FILES = {"explog": EXPLOG}


def main(argv):
    names = argv[1:] or sorted(FILES)
    for name in names:
        lines = generate(FILES[name])
        path = os.path.join(DATA, name + ".txt")
        with open(path, "w") as out:
            out.write("# Reference values from mpmath %s (tools/reference.py %s).\n"
                      % (mpmath.__version__, name))
            out.write("# function digits argument... = value\n")
            out.write("\n".join(lines) + "\n")
        print("%s: %d cases" % (path, len(lines)))


if __name__ == "__main__":
    main(sys.argv)
