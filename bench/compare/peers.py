"""The tasks of the comparison and how each program computes and times them.

Every runner returns (result text, processor seconds per computation). Times
are processor time (user + system) of the computation, which is what the
wall clock shows on an idle machine and is not inflated by other jobs on a
shared one:
- ZELK in process: Google Benchmark's CPU time per iteration of
  compare_bench (the caches of pi and ln 10 cleared before each);
- ZELK process: the whole `zelkc --precision D KEYS` process, start-up and
  display included, one computation;
- bc: the process repeating the computation n times, less the same process
  repeating it 0 times, over n (bc has no clock);
- decimal, calc, MPFR: their own processor clocks around the n repetitions,
  over n. calc gets a slightly different epsilon each repetition, so that
  its caches of pi and ln 10, which are kept per epsilon, serve no
  repetition from the one before; MPFR empties its caches each repetition.
"""

import json
import os
import re
import resource
import statistics
import subprocess
import sys
from dataclasses import dataclass
from typing import Callable, Optional

# The D-digit operands of a/b and a*b: compare_bench and mpfr_tasks.c make
# the same ones.
from decimal_tasks import operand

HERE = os.path.dirname(os.path.abspath(__file__))

PEER_TIMEOUT = 60.0  # seconds; a cell above is skipped and marked


class Timeout(Exception):
    pass


class Failed(Exception):
    """The program ended with an error or printed nothing usable."""


@dataclass(frozen=True)
class Task:
    name: str        # as compare_bench and the helper programs know it
    label: str       # in the table
    keys: Optional[Callable[[int], str]]  # zelkc keys at D digits; None: in process only
    digits: tuple = (40, 1000, 6000)
    exact: bool = False  # the result must match every digit
    # The peers that run it at a digit count; above the calculator's 6000
    # digits only MPFR and GMP (the others take minutes there).
    peers: Optional[tuple] = None

    def runs(self, column, digits):
        if column in ("zelk", "zelkc"):
            return column == "zelk" or (self.keys is not None and digits <= 6000)
        if digits > 6000:
            return column == "mpfr"
        return self.peers is None or column in self.peers


TASKS = [
    Task("sqrt2", "sqrt(2)", lambda d: "2[Inv][x^2]"),
    Task("exp1", "exp(1)", lambda d: "1[Inv][ln]"),
    Task("ln2", "ln(2)", lambda d: "2[ln]"),
    Task("log10_7", "log10(7)", lambda d: "7[log]"),
    Task("pow2_0.5", "2^0.5", lambda d: "2y0,5="),
    Task("pow3_0.7", "3^0.7", lambda d: "3y0,7="),
    # From the table up to 6400 digits; beyond it computed.
    Task("pi", "pi", lambda d: "[PI]", digits=(40, 1000, 6000, 100000, 1000000)),
    Task("sin1", "sin(1)", lambda d: "[Radians]1[sin]"),
    Task("cos1", "cos(1)", lambda d: "[Radians]1[cos]"),
    Task("tan1", "tan(1)", lambda d: "[Radians]1[tan]"),
    Task("atan1", "atan(1)", lambda d: "[Radians]1[Inv][tan]"),
    Task("asin0.5", "asin(0.5)", lambda d: "[Radians]0,5[Inv][sin]"),
    Task("acos0.5", "acos(0.5)", lambda d: "[Radians]0,5[Inv][cos]"),
    Task("sinh1", "sinh(1)", lambda d: "1[Hyp][sin]"),
    Task("asinh1", "asinh(1)", lambda d: "1[Hyp][Inv][sin]"),
    Task("gamma0.5", "gamma(0.5)", lambda d: "0,5[+/-][n!]", digits=(40, 1000)),
    Task("fact1000", "1000!", lambda d: "1000[n!]"),
    Task("1/7", "1/7", lambda d: "1/7="),
    Task("a/b", "a/b, D-digit a and b", lambda d: f"{operand(d, 1)}/{operand(d, 2)}="),
    # Exact products of two D-digit integers; the MPFR column is GMP's
    # mpz_mul.
    Task("a*b", "a*b exact, D x D digits", None,
         digits=(1000, 6000, 20000, 100000, 1000000), exact=True),
    # The reduction of a huge angle needs pi to a million digits.
    Task("sin_huge", "sin(10^1000000) radians", lambda d: "[Radians]1X1000000[sin]", digits=(40,),
         peers=("mpfr",)),
]

TASK_BY_NAME = {t.name: t for t in TASKS}


def child(cmd, stdin_text=None, timeout=PEER_TIMEOUT, env=None):
    """Runs cmd; returns (stdout, processor seconds of the child)."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    try:
        p = subprocess.run(cmd, input=stdin_text, capture_output=True, text=True,
                           timeout=timeout, env=env)
    except subprocess.TimeoutExpired:
        raise Timeout()
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    if p.returncode != 0:
        raise Failed(f"{os.path.basename(cmd[0])} exited {p.returncode}: {p.stderr.strip()[:300]}")
    return p.stdout, cpu


def cpu_line(text):
    """Splits 'RESULT...\\ncpu S' output into (result, seconds)."""
    lines = [l for l in text.strip().splitlines() if l.strip()]
    if len(lines) < 2 or not lines[-1].startswith("cpu "):
        raise Failed(f"unexpected output: {text.strip()[:300]!r}")
    return lines[-2].strip(), float(lines[-1].split()[1])


# -- ZELK ---------------------------------------------------------------------

class ZelkInProcess:
    name = "ZELK in process"
    loops = False  # Google Benchmark picks its own iteration count

    def __init__(self, bench, min_time=0.2):
        self.bench = bench
        self.min_time = min_time

    def result(self, task, d):
        out, _ = child([self.bench, f"--compare_print={task.name}/{d}"], timeout=600)
        return out.strip()

    def time(self, task, d, timeout):
        name = f"compare/{task.name}/{d}"
        out, _ = child([self.bench, f"--benchmark_filter=^{re.escape(name)}$",
                        f"--benchmark_min_time={self.min_time}",
                        "--benchmark_format=json"], timeout=timeout)
        runs = json.loads(out)["benchmarks"]
        if not runs:
            raise Failed(f"no benchmark {name}")
        scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[runs[0]["time_unit"]]
        return runs[0]["cpu_time"] * scale


class ZelkProcess:
    name = "ZELK process"
    loops = False

    def __init__(self, zelkc):
        self.zelkc = zelkc

    def run(self, task, d, timeout):
        out, cpu = child([self.zelkc, "--precision", str(d), task.keys(d)], timeout=timeout)
        return out.strip(), cpu


# -- the peers ----------------------------------------------------------------

# bc: -l's s(), c(), a(), l(), e() and sqrt; the rest derived, with five
# guard digits where a formula combines results.
BC_FUNCTIONS = r"""
define asin(y) { return a(y / sqrt(1 - y * y)); }
define acos(y) { return a(sqrt(1 - y * y) / y); }
/* b^m for an integer m >= 0 by squarings at the current scale (bc's own ^
   keeps every decimal of every partial power). */
define pw(b, m) {
  auto r, z, h;
  z = scale; r = 1;
  while (m > 0) {
    scale = 0; h = m / 2;
    scale = z;
    if (m - 2 * h == 1) r = r * b;
    b = b * b; m = h;
  }
  return (r);
}
/* Gamma(x), x > 0: the lower incomplete gamma function at an integer n,
   which differs from it by less than n^(x-1) e^-n:
   n^x e^-n sum_k n^k / (x (x+1) ... (x+k)). Each term comes from the one
   before, so the first, small ones need the full number of decimals. */
define gamma(x) {
  auto n, s, t, k, z, g;
  z = scale;
  scale = 0; n = (z + 3) * 2302585093 / 1000000000 + 1;
  scale = z + 10;
  s = 0; t = 1 / x; k = 0;
  while (k <= n || t > 0.00001) { s = s + t; k = k + 1; t = t * n / (x + k); }
  g = s * e(x * l(n)) / pw(e(1), n);
  scale = z;
  return (g / 1);
}
"""

BC_TASKS = {
    "sqrt2": "x = sqrt(2)",
    "exp1": "x = e(1)",
    "ln2": "x = l(2)",
    "log10_7": "scale = {d} + 5; x = l(7) / l(10); scale = {d}; x = x / 1",
    "pow2_0.5": "scale = {d} + 5; x = e(0.5 * l(2)); scale = {d}; x = x / 1",
    "pow3_0.7": "scale = {d} + 5; x = e(0.7 * l(3)); scale = {d}; x = x / 1",
    "pi": "scale = {d} + 5; x = 4 * a(1); scale = {d}; x = x / 1",
    "sin1": "x = s(1)",
    "cos1": "x = c(1)",
    "tan1": "scale = {d} + 5; t = s(1); x = t / sqrt(1 - t * t); scale = {d}; x = x / 1",
    "atan1": "x = a(1)",
    "asin0.5": "scale = {d} + 5; x = asin(0.5); scale = {d}; x = x / 1",
    "acos0.5": "scale = {d} + 5; x = acos(0.5); scale = {d}; x = x / 1",
    "sinh1": "scale = {d} + 5; t = e(1); x = (t - 1 / t) / 2; scale = {d}; x = x / 1",
    "asinh1": "scale = {d} + 5; x = l(1 + sqrt(2)); scale = {d}; x = x / 1",
    "gamma0.5": "x = gamma(0.5)",
    "fact1000": "x = 1; for (j = 2; j <= 1000; j++) x *= j",
    "1/7": "x = 1 / 7",
    "a/b": "x = p / q",
    "a*b": "x = p * q",
}


class Bc:
    name = "bc"
    loops = True

    def __init__(self):
        self.baselines = {}
        self.env = dict(os.environ, BC_LINE_LENGTH="0")

    def program(self, task, d, n):
        body = BC_TASKS[task.name].replace("{d}", str(d))
        operands = ""
        if task.name == "a/b":
            operands = f"p = {operand(d, 1)}\nq = {operand(d, 2)}\n"
        elif task.name == "a*b":
            operands = f"p = {operand(d, 3)}\nq = {operand(d, 4)}\n"
        return (f"scale = {d}\n{BC_FUNCTIONS}\n{operands}"
                f"for (i = 0; i < {n}; i++) {{ {body} }}\nx\nquit\n")

    def baseline(self, task, d):
        key = (task.name, d)
        if key not in self.baselines:
            self.baselines[key] = statistics.median(
                child(["bc", "-lq"], self.program(task, d, 0), env=self.env)[1] for _ in range(5))
        return self.baselines[key]

    def run(self, task, d, n, timeout):
        out, cpu = child(["bc", "-lq"], self.program(task, d, n), timeout=timeout, env=self.env)
        lines = out.strip().splitlines()
        if not lines:
            raise Failed("bc printed nothing")
        return lines[-1].strip(), max(cpu - self.baseline(task, d), 0.0)


class PyDecimal:
    name = "decimal"
    loops = True

    def run(self, task, d, n, timeout):
        out, _ = child([sys.executable, os.path.join(HERE, "decimal_tasks.py"), task.name,
                        str(d), str(n)], timeout=timeout)
        return cpu_line(out)


# calc: its built-in functions at an absolute error epsilon = 10^-D (a
# different one each repetition, see above); gamma from its
# specialfunctions library, which works at the global epsilon().
CALC_TASKS = {
    "sqrt2": "sqrt(2, e)",
    "exp1": "exp(1, e)",
    "ln2": "ln(2, e)",
    "log10_7": "log(7, e)",
    "pow2_0.5": "power(2, 0.5, e)",
    "pow3_0.7": "power(3, 0.7, e)",
    "pi": "pi(e)",
    "sin1": "sin(1, e)",
    "cos1": "cos(1, e)",
    "tan1": "tan(1, e)",
    "atan1": "atan(1, e)",
    "asin0.5": "asin(0.5, e)",
    "acos0.5": "acos(0.5, e)",
    "sinh1": "sinh(1, e)",
    "asinh1": "asinh(1, e)",
    "gamma0.5": "gamma(0.5)",
    "fact1000": "fact(1000)",
    "1/7": "1 / 7",
    "a/b": "p / q",
    "a*b": "p * q",
}


class Calc:
    name = "calc"
    loops = True

    def __init__(self, workdir):
        self.workdir = workdir

    def program(self, task, d, n):
        lines = [f'config("display", {d + 2}),;', 'config("tilde", 0),;',
                 'config("mode", "real"),;', 'config("resource_debug", 0),;']
        if task.name == "gamma0.5":
            lines.append("read -once specialfunctions;")
        if task.name == "a/b":
            lines.append(f"p = {operand(d, 1)}; q = {operand(d, 2)};")
        elif task.name == "a*b":
            lines.append(f"p = {operand(d, 3)}; q = {operand(d, 4)};")
        set_epsilon = "epsilon(e),; " if task.name == "gamma0.5" else ""
        lines += [
            f"global p, q, eps = 10^-{d};",
            "define run(n) { local i, e, x; for (i = 0; i < n; i++) { "
            f"e = eps * (1 - i / 1000000); {set_epsilon}x = {CALC_TASKS[task.name]}; }} return x; }}",
            f"t0 = runtime(); x = run({n}); t1 = runtime();",
            "print x;",
            'print "cpu", t1 - t0;',
        ]
        return "\n".join(lines) + "\n"

    def run(self, task, d, n, timeout):
        path = os.path.join(self.workdir, "task.cal")
        with open(path, "w") as f:
            f.write(self.program(task, d, n))
        out, _ = child(["calc", "-q", "-f", path], timeout=timeout)
        return cpu_line(out)



class Mpfr:
    name = "MPFR"
    loops = True

    def __init__(self, program):
        self.program = program

    def run(self, task, d, n, timeout):
        out, _ = child([self.program, task.name, str(d), str(n)], timeout=timeout)
        return cpu_line(out)


def versions(zelkc, mpfr_program):
    """Version strings of every program compared."""
    def first_line(cmd):
        try:
            p = subprocess.run(cmd, capture_output=True, text=True, timeout=30)
            return (p.stdout or p.stderr).strip().splitlines()[0]
        except (OSError, IndexError, subprocess.SubprocessError):
            return "unknown"

    def package(name):
        p = subprocess.run(["dpkg-query", "-W", "-f=${Version}", name], capture_output=True,
                           text=True)
        return p.stdout.strip() or "unknown"

    import decimal
    return {
        "ZELK": first_line([zelkc, "--version"]),
        "bc": first_line(["bc", "--version"]) + f" (Debian {package('bc')})",
        "decimal": f"Python {sys.version.split()[0]}, decimal {decimal.__version__}, "
                   f"libmpdec {decimal.__libmpdec_version__}",
        "calc": first_line(["calc", "-v"]) + f" (Debian apcalc {package('apcalc')})",
        "MPFR": first_line([mpfr_program, "--version"]),
        "mpmath": __import__("mpmath").__version__,
    }
