#!/usr/bin/env python3
"""The conventions check against its fixture trees and against the real tree."""
import pathlib
import subprocess
import sys
import unittest

TREE = pathlib.Path(__file__).resolve().parents[2]
CHECK = TREE / "scripts" / "check_conventions.py"
FIXTURES = TREE / "tests" / "fixtures" / "conventions"


def run_check(root):
    result = subprocess.run([sys.executable, str(CHECK), str(root)],
                            capture_output=True, text=True, check=False)
    return result.returncode, result.stdout + result.stderr


class CheckConventionsTest(unittest.TestCase):
    def test_each_rule_reports_its_file_and_line(self):
        code, output = run_check(FIXTURES / "violations")
        self.assertEqual(code, 1, output)
        # Every violation once, and nothing else: each rule bites, and the
        # check goes on past the first problem.
        expected = [
            "src/game_Board.h:10: 'VMField<' outside the class macros",
            "src/game_Intro.cpp:2: game code includes the platform header HAL_host.h",
            "src/game_Intro.cpp:3: game code includes the platform header ce_window.h",
            "target/winmo/pb_src/j2me/java_util_Stack.cpp:11: bare 'throw;'",
            "target/winmo/pb_src/vm/VMQueue.cpp:10: bare 'throw;'",
        ]
        lines = output.splitlines()
        self.assertEqual(len(lines), len(expected), output)
        for line, start in zip(lines, expected):
            self.assertTrue(line.startswith(start), f"{line!r} should start with {start!r}")

    def test_near_misses_pass(self):
        # The rules' words in comments and strings, a quote in a character
        # literal, host headers in platform code, rethrows through throwSelf.
        self.assertEqual(run_check(FIXTURES / "clean"), (0, ""))

    def test_the_tree_passes(self):
        self.assertEqual(run_check(TREE), (0, ""))

    def test_a_missing_tree_is_an_error(self):
        code, output = run_check(FIXTURES / "no_such_tree")
        self.assertEqual(code, 2)
        self.assertIn("no such folder", output)


if __name__ == "__main__":
    unittest.main()
