#!/usr/bin/python3
"""Runs scripts/long-functions on small made-up trees: it must flag a function of 101 lines and
no function of 100, wherever the body sits and whatever braces its comments and strings hold."""
import os
import re
import tempfile
import unittest

from made_up_tree import SCRIPTS, run_check, write_tree

SCRIPT = os.path.join(SCRIPTS, "long-functions")


def function(header, lines, filler="  x += 1;"):
    """A function whose text spans exactly `lines` lines, header to closing brace."""
    return header + " {\n" + "\n".join([filler] * (lines - 2)) + "\n}\n"


def run(files, allowed=None):
    """Checks a made-up tree; `allowed`, when given, stands for the script's allow list."""
    with tempfile.TemporaryDirectory() as top:
        write_tree(top, files)
        script = SCRIPT
        if allowed is not None:
            with open(SCRIPT) as f:
                source = f.read()
            source, count = re.subn(r"(?ms)^ALLOWED = \[\]$|^ALLOWED = \[.*?^\]$",
                                    "ALLOWED = " + repr(allowed), source)
            assert count == 1, "the script's allow list was not found"
            script = os.path.join(top, "long-functions")
            with open(script, "w") as f:
                f.write(source)
        return run_check(script, top)


class LongFunctions(unittest.TestCase):
    def test_the_limit_is_one_hundred_lines(self):
        code, out = run({"app/A.cpp": function("void Fits()", 100) + function("void Over()", 101)})
        self.assertEqual(code, 1)
        self.assertIn("app/A.cpp:101: Over has 101 lines", out)
        self.assertNotIn("Fits", out)

    def test_bodies_in_namespaces_classes_and_constructors_are_found(self):
        text = ("namespace outer {\nnamespace {\n" + function("int Hidden(int a)", 120) +
                "}\n}\n" + "class TBox {\npublic:\n" + function("  void Inline() const", 130) +
                "};\n" + function("TBox::TBox() : FA{1}, FB(2)", 140))
        code, out = run({"controls/B.h": text})
        self.assertEqual(code, 1)
        self.assertIn("Hidden has 120 lines", out)
        self.assertIn("Inline has 130 lines", out)
        self.assertIn("TBox::TBox has 140 lines", out)

    def test_braces_in_comments_strings_and_initializers_do_not_count(self):
        filler = '  s += "{"; // }\n  c = \'}\'; /* { */'
        text = ("const int table[] = {\n" + "  1,\n" * 150 + "};\n" +
                function("void Quoted()", 100, filler=filler.split("\n")[0]) +
                function("void Commented()", 100, filler=filler.split("\n")[1]))
        code, out = run({"app/C.cpp": text})
        self.assertEqual(code, 0, out)

    def test_other_folders_are_not_checked(self):
        code, out = run({"sound/D.cpp": function("void Long()", 300)})
        self.assertEqual(code, 0, out)

    def test_an_allowed_function_passes_and_its_neighbours_do_not(self):
        text = function("void TMasterFrm::BuildMenu()", 150) + function("void TMasterFrm::Other()", 150)
        code, out = run({"app/MainCodeD2.cpp": text},
                        allowed=[("app/MainCodeD2.cpp", "TMasterFrm::BuildMenu", "a reason")])
        self.assertEqual(code, 1)
        self.assertIn("allowed: app/MainCodeD2.cpp:1: TMasterFrm::BuildMenu", out)
        self.assertIn("TMasterFrm::Other has 150 lines", out)


if __name__ == "__main__":
    unittest.main()
