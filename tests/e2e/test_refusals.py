"""Joins the program refuses or cannot finish: missing inputs, an output that
is an input, an output that cannot be created."""

import collections
import errno
import os
import resource
import shutil
import subprocess
import sys
import time
import unittest

from harness import PROGRAM, WINDOWS, ProgramTest, exit_status, lines, linux_only

NOT_FOUND = 2
PATH_NOT_FOUND = 3
ACCESS_DENIED = 5
NOT_SUPPORTED = 50
NAME_TOO_LONG = 206
CANNOT_RESOLVE = 1921
NOT_TOLD_APART = 50
OUTPUT_IS_INPUT = 87
DISK_FULL = 112

NULL_DEVICE = "NUL" if WINDOWS else "/dev/null"
FULL_DEVICE = "Z:\\dev\\full" if WINDOWS else "/dev/full"


class MissingInput(ProgramTest):
    def test_a_missing_input_is_named_and_nothing_is_created(self):
        # (arguments, the input reported, the failed query's code and errno,
        # or no errno for a folder); the first failing input is reported.
        cases = [
            (["x.mve", "b.mve", "c.mve"], "x.mve", NOT_FOUND, errno.ENOENT),
            (["a.mve", "y.mve", "c.mve"], "y.mve", NOT_FOUND, errno.ENOENT),
            (["x.mve", "y.mve", "c.mve"], "x.mve", NOT_FOUND, errno.ENOENT),
            (["nodir/a.mve", "b.mve", "c.mve"], "nodir/a.mve", PATH_NOT_FOUND, errno.ENOENT),
            (["sub", "b.mve", "c.mve"], "sub", NOT_FOUND, None),
            (["a.mve", "sub", "c.mve"], "sub", NOT_FOUND, None),
            (["a.mve", ".", "c.mve"], ".", NOT_FOUND, None),
        ]
        if not WINDOWS:
            # Not absent, but out of reach: the query's own reason is told.
            cases += [
                (["dangling.mve", "b.mve", "c.mve"], "dangling.mve", NOT_FOUND, errno.ENOENT),
                (["a.mve", "dangling.mve", "c.mve"], "dangling.mve", NOT_FOUND, errno.ENOENT),
                (["loop.mve", "b.mve", "c.mve"], "loop.mve", CANNOT_RESOLVE, errno.ELOOP),
                (["a.mve/x.mve", "b.mve", "c.mve"], "a.mve/x.mve", PATH_NOT_FOUND,
                 errno.ENOTDIR),
                (["a.mve", "n" * 300 + ".mve", "c.mve"], "n" * 300 + ".mve", NAME_TOO_LONG,
                 errno.ENAMETOOLONG),
                (["locked/a.mve", "b.mve", "c.mve"], "locked/a.mve", ACCESS_DENIED, errno.EACCES),
            ]
        self.movie("a.mve", 1000)
        self.movie("b.mve", 1000)
        self.folder("sub")
        if not WINDOWS:
            os.symlink("gone.mve", self.path("dangling.mve"))
            os.symlink("loop.mve", self.path("loop.mve"))
            self.folder("locked")
            self.write("locked/a.mve", b"x" * 100)
            os.chmod(self.path("locked"), 0o600)
            self.addCleanup(os.chmod, self.path("locked"), 0o700)
        before = self.listing()
        for arguments, missing, code, errno_value in cases:
            with self.subTest(arguments=arguments):
                if missing.startswith("locked/"):
                    result = self.run_unprivileged(*arguments)
                else:
                    result = self.run_program(*arguments)
                self.assertEqual(result.stdout,
                                 lines("Vimbrel", f"Input file `{missing}' not found."), result)
                self.assertEqual(result.status, NOT_FOUND, result)
                if errno_value is None:
                    self.assertSaid(result, f"cannot join `{missing}': it is a folder (error 2)")
                else:
                    self.assertFailureSaid(result, f"cannot find `{missing}'", code, errno_value)
                self.assertEqual(self.listing(), before)


class OutputIsInput(ProgramTest):
    def test_an_output_naming_an_input_is_refused_before_anything_is_written(self):
        # (arguments, the file standard output goes to or None for a pipe,
        # what the output is)
        INPUT, STDOUT = "an input file", "standard output"
        cases = [
            (["a.mve", "b.mve", "a.mve"], None, INPUT),
            (["a.mve", "b.mve", "b.mve"], None, INPUT),
            (["a.mve", "b.mve", "./a.mve"], None, INPUT),
            (["a.mve", "b.mve", "sub/../b.mve"], None, INPUT),
            (["a.mve", "b.mve", "hard.mve"], None, INPUT),
            (["a.mve", "a.mve", "a.mve"], None, INPUT),
            (["a.mve", "b.mve", "link.mve"], None, INPUT),
            (["link.mve", "b.mve", "a.mve"], None, INPUT),
            # The lines printed would land inside the movie.
            (["a.mve", "b.mve", "out.mve"], "out.mve", STDOUT),
            (["a.mve", "b.mve", "hard-out.mve"], "out.mve", STDOUT),
        ]
        if WINDOWS:
            # Windows names are case-blind, and a long name has a short one.
            cases += [(["a.mve", "b.mve", "A.MVE"], None, INPUT),
                      (["a.mve", "second-movie.mve", "SHORT"], None, INPUT)]
        else:
            cases += [(["a.mve", "b.mve", "/dev/stdout"], "out.mve", STDOUT),
                      (["a.mve", "b.mve", "/dev/stdout"], None, STDOUT),
                      (["a.mve", "b.mve", "/proc/self/fd/1"], None, STDOUT)]
        self.movie("a.mve", 5000)
        self.movie("b.mve", 5000)
        self.folder("sub")
        os.link(self.path("b.mve"), self.path("hard.mve"))
        self.write("out.mve", b"")
        os.link(self.path("out.mve"), self.path("hard-out.mve"))
        os.symlink("a.mve", self.path("link.mve"))
        if WINDOWS:
            self.movie("second-movie.mve", 5000)
            short = self.short_name("second-movie.mve")
            cases = [(arguments[:2] + [short if arguments[2] == "SHORT" else arguments[2]],
                      stdout_file, what) for arguments, stdout_file, what in cases]
        before = self.listing()
        for arguments, stdout_file, what in cases:
            with self.subTest(arguments=arguments, stdout=stdout_file):
                if stdout_file is None:
                    result = self.run_program(*arguments)
                elif WINDOWS:
                    self.write(stdout_file, b"")
                    result = self.run_appending_to(stdout_file, *arguments)
                else:
                    with open(self.path(stdout_file), "wb") as file:
                        result = self.run_program(*arguments, stdout=file)
                    result.stdout = self.read(stdout_file)
                output = arguments[2]
                if self.identities_known():
                    said = "one of the inputs" if what == INPUT else what
                    self.assertOutput(result, "Vimbrel", f"Output file `{output}' is {what}.",
                                      status=OUTPUT_IS_INPUT,
                                      stderr=f"cannot create `{output}': it is {said} (error 87)")
                else:
                    # Refused all the same, never said to be what it may not be.
                    said = "the inputs" if what == INPUT else what
                    self.assertOutput(result, "Vimbrel",
                                      f"Output file `{output}' cannot be told from {what}.",
                                      status=NOT_TOLD_APART,
                                      stderr=f"cannot create `{output}': its volume gives no file "
                                             f"identity that tells it from {said} (error 50)")
                self.assertEqual(self.listing(), before)


# Swaps out.mve, over and over, between a plain file and a link to a.mve,
# each name put in place whole.
SWAPPER = """
import os
while True:
    os.symlink("a.mve", "link.tmp")
    os.replace("link.tmp", "out.mve")
    with open("plain.tmp", "wb") as file:
        file.write(b"old")
    os.replace("plain.tmp", "out.mve")
"""


def name_check_blinder(trace):
    """The prefix under which the program's first look at out.mve by name
    finds nothing, as if the name were put in place just after it; what
    strace did goes to `trace`. Raises SkipTest where strace cannot do that."""
    strace = shutil.which("strace")
    if strace is None:
        raise unittest.SkipTest("strace is missing")
    if len(PROGRAM) != 1:
        raise unittest.SkipTest("the program runs under an emulator, whose own calls strace sees")
    if subprocess.run([strace, "--quiet=all", "-o", os.devnull, "true"]).returncode != 0:
        raise unittest.SkipTest("strace cannot trace a program here")
    # -P takes the calls on the file a symbolic link leads to, the movie's
    # own among them: out.mve is made a hard link.
    return [strace, "--quiet=all", "-o", trace, "-P", "out.mve", "-e", "trace=%%stat",
            "-e", "inject=%%stat:error=ENOENT:when=1"]


class OutputSwapped(ProgramTest):
    @linux_only("symbolic links made while the program runs")
    def test_an_output_name_that_keeps_changing_never_empties_a_movie(self):
        # The file compared with the movies is the file emptied, whatever the
        # name leads to by then: every join either goes to the plain file or
        # is refused, and the movies keep every byte (run_program checks them
        # after each run). Where each swap lands is chance: the case below
        # puts one between the name check and the open every time.
        self.movie("a.mve", 5000)
        self.movie("b.mve", 5000)
        swapper = subprocess.Popen([sys.executable, "-c", SWAPPER], cwd=self.dir)
        self.addCleanup(swapper.wait)
        self.addCleanup(swapper.kill)
        # 1500 joins, fewer where the program is emulated (qemu): the loop
        # stays within half the time limit of the whole module.
        deadline = time.monotonic() + 90
        statuses = collections.Counter()
        for _ in range(1500):
            if time.monotonic() > deadline:
                break
            statuses[self.run_program("a.mve", "b.mve", "out.mve").status] += 1
        self.assertEqual(set(statuses) - {0, OUTPUT_IS_INPUT}, set(), statuses)
        self.assertIsNone(swapper.poll(), "the swapper stopped")

    @linux_only("strace blinds the program's look at the output's name")
    def test_an_output_that_becomes_a_movie_after_its_name_is_checked_is_refused(self):
        # The name check finds no out.mve; the open finds a movie, or the file
        # standard output goes to: only the check of the opened file can
        # refuse it. (the file out.mve is made a link to, the file standard
        # output goes to or None for a pipe, what the output is)
        cases = [("a.mve", None, "an input file", "one of the inputs"),
                 ("b.mve", None, "an input file", "one of the inputs"),
                 ("log.txt", "log.txt", "standard output", "standard output")]
        trace = self.path("trace.txt")
        prefix = name_check_blinder(trace)
        # Joined into itself, the second movie would grow until the disk is full.
        limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (1 << 20, 1 << 20))
        for target, stdout_file, what, said in cases:
            with self.subTest(output=target):
                self.movie("a.mve", 5000)
                self.movie("b.mve", 5000)
                self.write("log.txt", b"")
                os.link(self.path(target), self.path("out.mve"))
                arguments = ("a.mve", "b.mve", "out.mve")
                try:
                    if stdout_file is None:
                        result = self.run_program(*arguments, prefix=prefix, preexec_fn=limit)
                    else:
                        with open(self.path(stdout_file), "wb") as file:
                            result = self.run_program(*arguments, prefix=prefix,
                                                      preexec_fn=limit, stdout=file)
                        result.stdout = self.read(stdout_file)
                finally:
                    os.unlink(self.path("out.mve"))
                with open(trace, "rb") as file:
                    self.assertRegex(file.read(), rb'"out.mve".* = -1 ENOENT .*\(INJECTED\)')
                self.assertOutput(result, "Vimbrel", f"Output file `out.mve' is {what}.",
                                  status=OUTPUT_IS_INPUT,
                                  stderr=f"cannot create `out.mve': it is {said} (error 87)")


class StandardOutputIsInput(ProgramTest):
    def test_standard_output_that_goes_to_a_movie_gets_not_a_line(self):
        # (arguments, the file standard output goes to, how the shell opened
        # it: appending (>>), reading and writing (1<>) or emptying (>), the
        # argument named).
        cases = [
            (["a.mve", "b.mve", "c.mve"], "b.mve", "ab", "b.mve"),
            (["a.mve", "b.mve", "c" * 200 + ".mve"], "b.mve", "ab", "b.mve"),
            (["a.mve", "b.mve", "c.mve"], "a.mve", "r+b", "a.mve"),
            (["a.mve", "b.mve", "c.mve"], "a.mve", "wb", "a.mve"),
            (["a.mve", "b.mve", "c.mve"], "b.mve", "wb", "b.mve"),
            (["a.mve", "link.mve", "c.mve"], "b.mve", "ab", "link.mve"),
            # The other movie missing: not even its line goes there.
            (["a.mve", "gone.mve", "c.mve"], "a.mve", "ab", "a.mve"),
            (["pipe.mve", "b.mve", "c.mve"], "pipe.mve", "fifo", "pipe.mve"),
        ]
        os.symlink("b.mve", self.path("link.mve"))
        if WINDOWS:
            # The Windows shell appends; FIFOs are Linux's.
            cases = [case for case in cases if case[2] == "ab"]
        else:
            os.mkfifo(self.path("pipe.mve"))
        for arguments, target, mode, named in cases:
            with self.subTest(arguments=arguments, stdout=target, mode=mode):
                self.movie("a.mve", 5000)
                self.movie("b.mve", 5000)
                before = self.listing()
                if mode == "fifo":
                    # Read and write, as `1<> pipe.mve` opens it: no reader to wait for.
                    descriptor = os.open(self.path(target), os.O_RDWR | os.O_NONBLOCK)
                    with open(descriptor, "wb") as file:
                        result = self.run_program(*arguments, stdout=file)
                        with self.assertRaises(BlockingIOError):
                            os.read(descriptor, 1)
                elif WINDOWS:
                    result = self.run_appending_to(target, *arguments)
                else:
                    with open(self.path(target), mode) as file:
                        # What the shell did before the program started stays.
                        self.watch(target)
                        result = self.run_program(*arguments, stdout=file)
                if self.identities_known():
                    self.assertEqual(result.status, OUTPUT_IS_INPUT, result)
                    self.assertSaid(result, f"cannot read `{named}': standard output goes to it "
                                            "(error 87)")
                else:
                    self.assertEqual(result.status, NOT_TOLD_APART, result)
                    self.assertSaid(result, f"cannot read `{named}': its volume gives no file "
                                            "identity that tells it from standard output (error 50)")
                self.assertEqual(self.listing(), before)


class ErrorLineIntoInput(ProgramTest):
    @linux_only("Wine gives no volume for standard error it got from Linux")
    def test_the_error_line_never_goes_into_a_movie(self):
        # (arguments, the file standard error is appended to, whether standard
        # output goes there too (2>&1), the status). The movies are watched:
        # not a byte may reach them, whatever ends the run.
        cases = [
            (["a.mve", "b.mve", "c.mve"], "b.mve", True, OUTPUT_IS_INPUT),
            (["a.mve", "gone.mve", "c.mve"], "a.mve", False, NOT_FOUND),
            (["a.mve", "b.mve", "a.mve"], "a.mve", False, OUTPUT_IS_INPUT),
            (["a.mve", "/dev/zero", "c.mve"], "a.mve", False, NOT_SUPPORTED),
            (["a.mve", "b.mve", "nodir/c.mve"], "b.mve", False, PATH_NOT_FOUND),
            (["a.mve", "b.mve", "nodir/c.mve"], "hard.mve", False, PATH_NOT_FOUND),
            (["a.mve", "link.mve", "nodir/c.mve"], "b.mve", False, PATH_NOT_FOUND),
            # Any other file gets the line, the output too.
            (["a.mve", "gone.mve", "c.mve"], "c.mve", False, NOT_FOUND),
        ]
        self.movie("a.mve", 5000)
        self.movie("b.mve", 5000)
        os.link(self.path("b.mve"), self.path("hard.mve"))
        os.symlink("b.mve", self.path("link.mve"))
        self.watch("a.mve")
        self.watch("b.mve")
        for arguments, target, both, status in cases:
            with self.subTest(arguments=arguments, stderr=target, both=both):
                self.write("c.mve", b"")
                with open(self.path(target), "ab") as file:
                    result = self.run_program(*arguments, stdout=file if both else subprocess.PIPE,
                                              stderr=file)
                self.assertEqual(result.status, exit_status(status), result)
                if target == "c.mve":
                    self.assertEqual(self.read("c.mve").count(b"\n"), 1)


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
        rows = [  # (first movie, output, status, standard output on the null device)
            ("a.mve", NULL_DEVICE, 0, False),
            ("a.mve", FULL_DEVICE, DISK_FULL, False),
            ("short.mve", FULL_DEVICE, DISK_FULL, False),
            # One device on both sides is harmless: nothing can be lost there.
            ("a.mve", NULL_DEVICE, 0, True),
        ]
        for first, output, status, null_stdout in rows:
            with self.subTest(first=first, output=output, null_stdout=null_stdout):
                if null_stdout:
                    with open(os.devnull, "wb") as null:
                        result = self.run_program(first, "b.mve", output, stdout=null)
                    self.assertEqual(result.status, 0, result)
                    continue
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
