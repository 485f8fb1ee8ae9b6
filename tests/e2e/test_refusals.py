"""Joins the program refuses or cannot finish: missing inputs, an output that
is an input, an output that cannot be created."""

import errno
import os
import unittest

from harness import WINDOWS, ProgramTest, exit_status, linux_only

NOT_FOUND = 2
PATH_NOT_FOUND = 3
ACCESS_DENIED = 5
OUTPUT_IS_INPUT = 87
DISK_FULL = 112

NULL_DEVICE = "NUL" if WINDOWS else "/dev/null"
FULL_DEVICE = "Z:\\dev\\full" if WINDOWS else "/dev/full"


class MissingInput(ProgramTest):
    def test_a_missing_input_is_named_and_nothing_is_created(self):
        # (arguments, the input reported); the first failing input is reported.
        cases = [
            (["x.mve", "b.mve", "c.mve"], "x.mve"),
            (["a.mve", "y.mve", "c.mve"], "y.mve"),
            (["x.mve", "y.mve", "c.mve"], "x.mve"),
            (["nodir/a.mve", "b.mve", "c.mve"], "nodir/a.mve"),
            (["sub", "b.mve", "c.mve"], "sub"),
            (["a.mve", "sub", "c.mve"], "sub"),
            (["a.mve", ".", "c.mve"], "."),
        ]
        if not WINDOWS:
            cases += [
                (["dangling.mve", "b.mve", "c.mve"], "dangling.mve"),
                (["a.mve", "dangling.mve", "c.mve"], "dangling.mve"),
            ]
        self.movie("a.mve", 1000)
        self.movie("b.mve", 1000)
        self.folder("sub")
        if not WINDOWS:
            os.symlink("gone.mve", self.path("dangling.mve"))
        before = self.listing()
        for arguments, missing in cases:
            with self.subTest(arguments=arguments):
                result = self.run_program(*arguments)
                self.assertOutput(
                    result, "Vimbrel", f"Input file `{missing}' not found.", status=NOT_FOUND,
                    stderr=f"cannot find `{missing}': no such file, or it is a folder (error 2)")
                self.assertEqual(self.listing(), before)


class OutputIsInput(ProgramTest):
    def test_an_output_naming_an_input_is_refused_before_anything_is_written(self):
        cases = [
            ["a.mve", "b.mve", "a.mve"],
            ["a.mve", "b.mve", "b.mve"],
            ["a.mve", "b.mve", "./a.mve"],
            ["a.mve", "b.mve", "sub/../b.mve"],
            ["a.mve", "b.mve", "hard.mve"],
            ["a.mve", "a.mve", "a.mve"],
        ]
        if WINDOWS:
            # Windows names are case-blind.
            cases += [["a.mve", "b.mve", "A.MVE"]]
        else:
            cases += [["a.mve", "b.mve", "link.mve"], ["link.mve", "b.mve", "a.mve"]]
        self.movie("a.mve", 5000)
        self.movie("b.mve", 5000)
        self.folder("sub")
        os.link(self.path("b.mve"), self.path("hard.mve"))
        if not WINDOWS:
            os.symlink("a.mve", self.path("link.mve"))
        before = self.listing()
        for arguments in cases:
            with self.subTest(arguments=arguments):
                result = self.run_program(*arguments)
                self.assertOutput(result, "Vimbrel",
                                  f"Output file `{arguments[2]}' is an input file.",
                                  status=OUTPUT_IS_INPUT,
                                  stderr=f"cannot create `{arguments[2]}': it is one of the "
                                         "inputs (error 87)")
                self.assertEqual(self.listing(), before)


class OutputCannotBeWritten(ProgramTest):
    def setUp(self):
        super().setUp()
        self.movie("a.mve", 5000)
        self.movie("b.mve", 5000)

    def test_an_output_that_is_a_folder(self):
        self.folder("out")
        result = self.run_program("a.mve", "b.mve", "out")
        self.assertRuntimeError(result, ACCESS_DENIED, "Vimbrel")
        self.assertFailureSaid(result, "cannot create `out'", ACCESS_DENIED, errno.EISDIR)
        self.assertEqual(os.listdir(self.path("out")), [])

    def test_an_output_in_a_missing_folder(self):
        result = self.run_program("a.mve", "b.mve", "nodir/c.mve")
        self.assertRuntimeError(result, PATH_NOT_FOUND, "Vimbrel")
        self.assertFailureSaid(result, "cannot create `nodir/c.mve'", PATH_NOT_FOUND, errno.ENOENT)
        self.assertFalse(self.exists("nodir"))

    @linux_only("file modes and an unprivileged user")
    def test_a_read_only_output(self):
        self.write("c.mve", b"keep")
        os.chmod(self.path("c.mve"), 0o444)
        if os.geteuid() == 0:
            # Only the mode, not the owner, keeps the unprivileged user out.
            os.chown(self.path("c.mve"), 65534, 65534)
        self.watch("c.mve")
        result = self.run_unprivileged("a.mve", "b.mve", "c.mve")
        self.assertRuntimeError(result, ACCESS_DENIED, "Vimbrel")
        self.assertFailureSaid(result, "cannot create `c.mve'", ACCESS_DENIED, errno.EACCES)

    def test_an_output_that_is_a_device(self):
        # Only disk files can be inputs, so a device is never one of them: the
        # join goes to it like to any file, and a full one fails in the phase
        # that writes first.
        self.movie("short.mve", 16)
        rows = [  # (first movie, output, status)
            ("a.mve", NULL_DEVICE, 0),
            ("a.mve", FULL_DEVICE, DISK_FULL),
            ("short.mve", FULL_DEVICE, DISK_FULL),
        ]
        for first, output, status in rows:
            with self.subTest(first=first, output=output):
                result = self.run_program(first, "b.mve", output)
                progress = [f" {first} -> {output}", f" b.mve -> {output}"]
                if status == 0:
                    self.assertOutput(result, "Vimbrel", *progress)
                else:
                    phases = 1 if first == "a.mve" else 2
                    self.assertRuntimeError(result, status, "Vimbrel", *progress[:phases])
                    self.assertFailureSaid(result, f"cannot write to `{output}'", DISK_FULL,
                                           errno.ENOSPC)

    def test_every_check_site_reports_its_own_location(self):
        # A user's report of "error 112 at X" must tell where it failed.
        self.movie("short.mve", 16)
        rows = [  # (where, arguments, code)
            ("create", ["a.mve", "b.mve", "nodir/c.mve"], PATH_NOT_FOUND),
            ("write, first phase", ["a.mve", "b.mve", FULL_DEVICE], DISK_FULL),
            ("write, second phase", ["short.mve", "b.mve", FULL_DEVICE], DISK_FULL),
        ]
        locations = {}
        for where, arguments, code in rows:
            result = self.run_program(*arguments)
            self.assertEqual(result.status, exit_status(code), result)
            locations[where] = result.stdout.split(b" at ")[-1]
            # The same site gives the same location from run to run.
            self.assertEqual(self.run_program(*arguments).stdout.split(b" at ")[-1],
                             locations[where])
        if not WINDOWS:
            self.write("locked.mve", b"x" * 100)
            os.chmod(self.path("locked.mve"), 0o200)
            result = self.run_unprivileged("locked.mve", "b.mve", "c.mve")
            self.assertRuntimeError(result, ACCESS_DENIED, "Vimbrel")
            locations["open"] = result.stdout.split(b" at ")[-1]
        self.assertEqual(len(set(locations.values())), len(locations), locations)


if __name__ == "__main__":
    unittest.main()
