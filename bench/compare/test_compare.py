"""Tests of the comparison's own parts: reading printed results, the check
against mpmath, the shared operands, the marking of targets, and every
peer's program at 40 digits (each is skipped where its program is missing).

    python3 -m unittest discover -s bench/compare -p 'test_*.py'

MPFR_TASKS names the built MPFR program (`make compare` sets it).
"""

import os
import shutil
import sys
import tempfile
import unittest
from decimal import Decimal

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import checks  # noqa: E402
import compare  # noqa: E402
import peers  # noqa: E402

SQRT2_40 = "1.414213562373095048801688724209698078570"  # correctly rounded


class Parse(unittest.TestCase):
    def test_forms_of_the_programs(self):
        self.assertEqual(checks.parse("1,4142"), Decimal("1.4142"))          # ZELK's comma
        self.assertEqual(checks.parse(".6931\n"), Decimal("0.6931"))         # bc
        self.assertEqual(checks.parse("-.5"), Decimal("-0.5"))
        self.assertEqual(checks.parse("~0.333"), Decimal("0.333"))           # calc
        self.assertEqual(checks.parse("4,0238e+2567"), Decimal("4.0238e2567"))
        self.assertEqual(checks.parse("6.931e-1"), Decimal("0.6931"))        # MPFR
        self.assertEqual(checks.parse("1.2E+3"), Decimal(1200))              # decimal
        self.assertEqual(checks.parse("1.41\\\n42"), Decimal("1.4142"))      # bc's wrapping

    def test_errors_are_not_numbers(self):
        for text in ["", "quot:division by zero", "Operation was canceled", "1.2.3", "nan"]:
            self.assertIsNone(checks.parse(text), text)


class Check(unittest.TestCase):
    def test_correct_and_truncated_digits_pass(self):
        ok, err = checks.check("sqrt2", 40, SQRT2_40)
        self.assertTrue(ok)
        self.assertLessEqual(err, 0.5)
        # bc truncates: ...7856 96 instead of ...7857 0
        ok, err = checks.check("sqrt2", 40, "1.414213562373095048801688724209698078569")
        self.assertTrue(ok)
        self.assertGreater(err, 0.5)

    def test_last_two_digits_may_differ_not_three(self):
        self.assertTrue(checks.check("sqrt2", 40, "1.414213562373095048801688724209698078499")[0])
        self.assertFalse(checks.check("sqrt2", 40, "1.414213562373095048801688724209698077570")[0])

    def test_too_few_digits_fail(self):
        ok, err = checks.check("sqrt2", 40, "1.41421356237309504880")
        self.assertFalse(ok)
        self.assertGreater(err, 1e10)

    def test_nothing_numeric_fails(self):
        self.assertEqual(checks.check("sqrt2", 40, "Invalid input for function"), (False, None))

    def test_large_values_count_significant_digits(self):
        # 1000! to 40 digits, in ZELK's display form
        self.assertTrue(checks.check("fact1000", 40,
                                     "4,0238726007709377354370243392300398571937e+2567")[0])
        self.assertFalse(checks.check("fact1000", 40,
                                      "4,0238726007709377354370243392300398571937e+2566")[0])

    def test_exact_product_must_match_every_digit(self):
        exact = str(checks.reference("a*b", 40))
        self.assertEqual(len(exact), 80)
        self.assertTrue(checks.check("a*b", 40, exact, exact=True)[0])
        wrong = exact[:-1] + str((int(exact[-1]) + 1) % 10)
        self.assertFalse(checks.check("a*b", 40, wrong, exact=True)[0])

    def test_references(self):
        self.assertTrue(str(checks.reference("pi", 40)).startswith("3.14159265358979323846"))
        self.assertTrue(str(checks.reference("gamma0.5", 40)).startswith("1.7724538509055160272"))
        self.assertTrue(str(checks.reference("1/7", 40)).startswith("0.142857142857"))


class Operands(unittest.TestCase):
    def test_shape(self):
        for d in (1, 40, 6000):
            a = peers.operand(d, 1)
            self.assertEqual(len(a), d)
            self.assertNotEqual(a[0], "0")
            self.assertTrue(a.isdigit())
        self.assertNotEqual(peers.operand(40, 1), peers.operand(40, 2))

    def test_same_as_the_compiled_programs(self):
        # a/b at 40 digits as compare_bench and the MPFR program compute it
        # from their own copies of the generator.
        self.assertTrue(checks.check("a/b", 40, "1.098192835399376285642061010237298147547")[0])


class Marks(unittest.TestCase):
    class Options:
        timeout = 60.0

    def cells(self, zelk, **others):
        cells = {c: compare.Column() for c in compare.COLUMNS}
        cells["zelk"].samples = [zelk]
        for name, value in others.items():
            if value == "timeout":
                cells[name].status = "timeout"
            else:
                cells[name].samples = [value]
        return cells

    def test_targets_met_and_missed(self):
        o = self.Options()
        cells = self.cells(1.0, bc=20.0, decimal=0.6, calc=0.1, mpfr=0.05)
        self.assertIn("✓", compare.cell_text(cells, "bc", 1000, o))
        self.assertIn("✗", compare.cell_text(cells, "decimal", 1000, o))
        self.assertIn("✗", compare.cell_text(cells, "calc", 6000, o))
        # At 40 digits only Python decimal has a target, its own time.
        self.assertIn("✗", compare.cell_text(cells, "decimal", 40, o))
        self.assertIn("✓", compare.cell_text(self.cells(0.5, decimal=0.6), "decimal", 40, o))
        self.assertNotIn("✗", compare.cell_text(cells, "calc", 40, o))
        # MPFR's: 3× on the elementary functions at 1000 and 6000 digits.
        self.assertIn("✗", compare.cell_text(cells, "mpfr", 6000, o, "exp1"))
        self.assertIn("✗", compare.cell_text(cells, "mpfr", 1000, o, "exp1"))
        self.assertNotIn("✗", compare.cell_text(cells, "mpfr", 6000, o, "fact1000"))
        self.assertNotIn("✗", compare.cell_text(cells, "mpfr", 40, o, "exp1"))
        near = self.cells(1.0, mpfr=0.4)
        self.assertIn("✓", compare.cell_text(near, "mpfr", 1000, o, "sin1"))
        # GMP's product: 1.5× up to 6000 digits, 3× at 10^5 and 10^6.
        self.assertIn("✗", compare.cell_text(near, "mpfr", 6000, o, "a*b"))
        self.assertIn("✓", compare.cell_text(near, "mpfr", 1000000, o, "a*b"))
        self.assertIn("✓", compare.cell_text(near, "mpfr", 100000, o, "pi"))
        self.assertNotIn("✓", compare.cell_text(near, "mpfr", 6000, o, "pi"))

    def test_peer_past_the_timeout(self):
        o = self.Options()
        text = compare.cell_text(self.cells(1.0, bc="timeout"), "bc", 6000, o)
        self.assertIn("skipped", text)
        self.assertIn("✓", text)
        rows = [{"label": "x", "digits": 6000, "cells": self.cells(1.0, bc="timeout")}]
        self.assertIn("met in 1 of 1", compare.summary(rows, o)[0])

    def test_time_target(self):
        o = self.Options()
        rows = [{"task": "sin_huge", "label": "sin", "digits": 40, "cells": self.cells(2.5)}]
        self.assertIn("met (2.5 s)", compare.summary(rows, o)[-1])
        rows[0]["cells"] = self.cells(3.5)
        self.assertIn("**missed** (3.5 s)", compare.summary(rows, o)[-1])

    def test_raw_results_read_back(self):
        col = compare.Column()
        col.samples, col.n, col.error, col.single = [0.5, 0.25], 7, 0.3, True
        back = compare.Column.from_json(col.as_json())
        self.assertEqual(back.as_json(), col.as_json())
        self.assertEqual(back.median(), 0.375)

    def test_calibration_grows_to_the_target(self):
        self.assertEqual(compare.next_n(1, 0.0, 0.2), 130)
        self.assertGreater(compare.next_n(100, 0.1, 0.2), 200)
        self.assertEqual(compare.next_n(5, 1.0, 0.2), 6)


class Columns(unittest.TestCase):
    def test_who_runs_what(self):
        product, sin = peers.TASK_BY_NAME["a*b"], peers.TASK_BY_NAME["sin_huge"]
        self.assertTrue(product.runs("bc", 6000))
        self.assertFalse(product.runs("bc", 100000))
        self.assertTrue(product.runs("mpfr", 1000000))
        self.assertFalse(product.runs("zelkc", 6000))  # in process only
        self.assertFalse(sin.runs("decimal", 40))
        self.assertTrue(sin.runs("zelkc", 40))
        self.assertFalse(peers.TASK_BY_NAME["pi"].runs("zelkc", 100000))


class Programs(unittest.TestCase):
    """Every task of every peer at 40 digits, against mpmath."""

    def run_all(self, program, column):
        for task in peers.TASKS:
            d = 40
            # sin_huge's reference takes mpmath minutes: the run checks it.
            if not task.runs(column, d) or task.name == "sin_huge":
                continue
            with self.subTest(task=task.name):
                text, seconds = program.run(task, d, 1, 60)
                ok, err = checks.check(task.name, d, text, task.exact)
                self.assertTrue(ok, f"{task.name}: {text!r} off by {err} units")
                self.assertGreaterEqual(seconds, 0.0)

    @unittest.skipUnless(shutil.which("bc"), "bc not installed")
    def test_bc(self):
        self.run_all(peers.Bc(), "bc")

    def test_decimal(self):
        self.run_all(peers.PyDecimal(), "decimal")

    @unittest.skipUnless(shutil.which("calc"), "calc not installed")
    def test_calc(self):
        with tempfile.TemporaryDirectory() as work:
            self.run_all(peers.Calc(work), "calc")

    @unittest.skipUnless(os.path.exists(os.environ.get("MPFR_TASKS", "")),
                         "MPFR_TASKS does not name the built MPFR program")
    def test_mpfr(self):
        self.run_all(peers.Mpfr(os.environ["MPFR_TASKS"]), "mpfr")


if __name__ == "__main__":
    unittest.main()
