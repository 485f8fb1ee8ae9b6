"""The program as a user starts it: usage, a join, the statuses it ends with.

VIMBREL_COMMAND is the command that starts the program, split like a shell
line (under Wine: the emulator and vimbrel.exe). Statuses are compared modulo
256, as an exit status reaches a Linux parent.
"""
import os
import re
import shlex
import subprocess
import tempfile
import unittest

COMMAND = shlex.split(os.environ["VIMBREL_COMMAND"])
TIMEOUT = 120

USAGE = (b"Vimbrel\r\n"
         b"\r\n"
         b"This program joins two Interplay MVE movies into one.\r\n"
         b"\r\n"
         b" usage: vimbrel.exe movie1.mve movie2.mve movie_out.mve\r\n")

# Distinct bytes everywhere, so that any byte taken from the wrong place shows.
FIRST = bytes(range(7, 7 + 60))
SECOND = bytes(range(100, 100 + 90))


class SmokeTest(unittest.TestCase):
    def setUp(self):
        work = tempfile.TemporaryDirectory()
        self.addCleanup(work.cleanup)
        self.dir = work.name
        self.write("a.mve", FIRST)
        self.write("b.mve", SECOND)

    def write(self, name, data):
        with open(os.path.join(self.dir, name), "wb") as file:
            file.write(data)

    def read(self, name):
        with open(os.path.join(self.dir, name), "rb") as file:
            return file.read()

    def run_program(self, *arguments):
        done = subprocess.run(COMMAND + list(arguments), cwd=self.dir, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=TIMEOUT)
        self.assertEqual(done.stderr, b"")
        return done.returncode % 256, done.stdout

    def test_usage_without_three_arguments(self):
        for arguments in [(), ("a.mve",), ("a.mve", "b.mve"), ("a", "b", "c", "d")]:
            with self.subTest(arguments=arguments):
                self.assertEqual(self.run_program(*arguments), (0, USAGE))

    def test_join(self):
        status, stdout = self.run_program("a.mve", "b.mve", "out.mve")
        self.assertEqual((status, stdout),
                         (0, b"Vimbrel\r\n a.mve -> out.mve\r\n b.mve -> out.mve\r\n"))
        self.assertEqual(self.read("out.mve"), FIRST[:-16] + SECOND[26:])
        self.assertEqual((self.read("a.mve"), self.read("b.mve")), (FIRST, SECOND))

    def test_missing_input(self):
        for arguments, missing in [(("gone.mve", "b.mve", "out.mve"), b"gone.mve"),
                                   (("a.mve", "gone.mve", "out.mve"), b"gone.mve")]:
            with self.subTest(arguments=arguments):
                self.assertEqual(self.run_program(*arguments),
                                 (2, b"Vimbrel\r\nInput file `" + missing + b"' not found.\r\n"))
                self.assertFalse(os.path.exists(os.path.join(self.dir, "out.mve")))

    def test_output_that_is_an_input(self):
        for output in ["a.mve", "b.mve", "./a.mve"]:
            with self.subTest(output=output):
                self.assertEqual(
                    self.run_program("a.mve", "b.mve", output),
                    (87, b"Vimbrel\r\nOutput file `" + output.encode() + b"' is an input file.\r\n"))
                self.assertEqual((self.read("a.mve"), self.read("b.mve")), (FIRST, SECOND))

    def test_output_in_a_missing_folder_is_a_run_time_error(self):
        status, stdout = self.run_program("a.mve", "b.mve", "nowhere/out.mve")
        self.assertEqual(status, 3)
        self.assertRegex(stdout, re.compile(rb"\AVimbrel\r\nRuntime error   3 at [0-9A-F]{8}\r\n\Z"))

    @unittest.skipUnless(os.environ.get("VIMBREL_PLATFORM") == "windows", "Windows names")
    def test_windows_names(self):
        # File names are case-blind, so this names the first movie.
        self.assertEqual(self.run_program("a.mve", "b.mve", "A.MVE"),
                         (87, b"Vimbrel\r\nOutput file `A.MVE' is an input file.\r\n"))
        # The null device exists but is no disk file.
        status, stdout = self.run_program("NUL", "b.mve", "out.mve")
        self.assertEqual(status, 50)
        self.assertRegex(stdout, re.compile(rb"\AVimbrel\r\nRuntime error  50 at [0-9A-F]{8}\r\n\Z"))
        self.assertFalse(os.path.exists(os.path.join(self.dir, "out.mve")))


if __name__ == "__main__":
    unittest.main()
