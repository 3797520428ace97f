#!/usr/bin/python3
"""Runs scripts/window-includes on small made-up trees: an include of the main window's header is
named in any app/ file but the window's own, and nowhere else."""
import os
import tempfile
import unittest

from made_up_tree import SCRIPTS, run_check, write_tree

SCRIPT = os.path.join(SCRIPTS, "window-includes")


def run(files):
    with tempfile.TemporaryDirectory() as top:
        write_tree(top, files)
        return run_check(SCRIPT, top)


class WindowIncludes(unittest.TestCase):
    def test_the_windows_own_files_and_files_outside_app_pass(self):
        code, out = run({
            "app/MainCodeD2.cpp": '#include "MainCodeD2.h"\n',
            "app/MainWindowBuild.cpp": '#include "MainCodeD2.h"\n',
            "app/MainMenuPictures.cpp": '#include "MainCodeD2.h"\n',
            "app/Tonalbrook.cpp": '#include "MainCodeD2.h"\n',
            "tests/mainwin/Fixture.h": '#include "MainCodeD2.h"\n',
            "bench/open.cpp": '#include "MainCodeD2.h"\n',
        })
        self.assertEqual(code, 0, out)

    def test_a_group_or_feature_window_including_it_is_named_with_its_line(self):
        code, out = run({
            "app/EditCommands.cpp": '// edits\n#include <string>\n#include "MainCodeD2.h"\n',
            "app/mailwin/Sender.h": '#pragma once\n  # include <../MainCodeD2.h>\n',
            "app/PrintCommands.cpp": '#include "PrintCommands.h"\n',
        })
        self.assertEqual(code, 1)
        self.assertIn("app/EditCommands.cpp:3", out)
        self.assertIn("app/mailwin/Sender.h:2", out)
        self.assertNotIn("PrintCommands", out)

    def test_mentions_and_like_named_headers_are_not_includes_of_it(self):
        code, out = run({
            "app/A.cpp": '// #include "MainCodeD2.h" went: the context is enough\n',
            "app/B.cpp": '#include "OldMainCodeD2.h"\n#include "MainCodeD2.hpp"\n',
            "app/C.cpp": 'const char* p = "#include \\"MainCodeD2.h\\"";\n',
        })
        self.assertEqual(code, 0, out)


if __name__ == "__main__":
    unittest.main()
