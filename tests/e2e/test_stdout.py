"""Standard output that cannot take what the program prints."""

import errno
import os
import resource
import unittest

from harness import WINDOWS, ProgramTest, linux_only

NOT_OPEN = 103
# What a write to a pipe without a reader gives: Windows' 232 (the pipe is
# being closed); Wine answers 233 (pipe not connected).
BROKEN_PIPE = 233 if WINDOWS else 232
DISK_FULL = 112
FILE_TOO_LARGE = 223
PATH_NOT_FOUND = 3


class StandardOutput(ProgramTest):
    def setUp(self):
        super().setUp()
        self.movie("a.mve", 5000)
        self.movie("b.mve", 5000)

    @linux_only("a closed descriptor")
    def test_closed(self):
        result = self.run_program("a.mve", "b.mve", "c.mve", stdout=None,
                                  preexec_fn=lambda: os.close(1))
        self.assertEqual(result.status, NOT_OPEN, result)
        self.assertSaid(result, "cannot write to standard output: it is not open (error 103)")
        # The banner fails before any file is opened.
        self.assertFalse(self.exists("c.mve"))

    @linux_only("/dev/full")
    def test_on_a_full_device(self):
        # A character device gets each line as it ends: the banner fails.
        with open("/dev/full", "wb") as full:
            result = self.run_program("a.mve", "b.mve", "c.mve", stdout=full)
        self.assertEqual(result.status, DISK_FULL, result)
        self.assertFailureSaid(result, "cannot write to standard output", DISK_FULL, errno.ENOSPC)
        self.assertFalse(self.exists("c.mve"))

    def test_on_a_pipe_whose_reader_has_gone(self):
        # Pipes get whole 128-byte blocks: a long output name makes the first
        # progress line fill one while the program runs, a short one leaves
        # everything to the end. Either way the write must fail; a program
        # killed by SIGPIPE ends with a signal instead.
        for output, joined in (("c" * 150 + ".mve", False), ("c.mve", True)):
            with self.subTest(output=output):
                reader, writer = os.pipe()
                os.close(reader)
                try:
                    result = self.run_program("a.mve", "b.mve", output, stdout=writer)
                finally:
                    os.close(writer)
                self.assertEqual(result.status, BROKEN_PIPE, result)
                self.assertFailureSaid(result, "cannot write to standard output", BROKEN_PIPE,
                                       errno.EPIPE)
                # A failure while the program runs stops the join right after
                # the output was created.
                self.assertEqual(len(self.read(output)), 5000 - 16 + 5000 - 26 if joined else 0)

    @linux_only("a file-size limit")
    def test_a_file_size_limit_fails_the_write_instead_of_killing_the_program(self):
        # 146 KiB: the second 100000-byte chunk of the first phase crosses it.
        self.movie("big.mve", 250000)
        limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (146 * 1024, 146 * 1024))
        result = self.run_program("big.mve", "b.mve", "c.mve", preexec_fn=limit)
        self.assertRuntimeError(result, FILE_TOO_LARGE, "Vimbrel", " big.mve -> c.mve")
        self.assertFailureSaid(result, "cannot write to `c.mve'", FILE_TOO_LARGE, errno.EFBIG)
        self.assertEqual(len(self.read("c.mve")), 146 * 1024)

    def test_redirected_to_a_file_the_error_line_comes_last(self):
        with open(self.path("stdout.txt"), "wb") as file:
            result = self.run_program("a.mve", "b.mve", "nodir/c.mve", stdout=file)
        result.stdout = self.read("stdout.txt")
        self.assertRuntimeError(result, PATH_NOT_FOUND, "Vimbrel")
        self.assertFailureSaid(result, "cannot create `nodir/c.mve'", PATH_NOT_FOUND, errno.ENOENT)

    @linux_only("/dev/full")
    def test_redirected_to_a_file_the_error_line_follows_a_written_block(self):
        # The first progress line overflows the 128-byte buffer, so part of it
        # is written before the output fails.
        first = "a" * 200 + ".mve"
        self.movie(first, 5000)
        with open(self.path("stdout.txt"), "wb") as file:
            result = self.run_program(first, "b.mve", "/dev/full", stdout=file)
        result.stdout = self.read("stdout.txt")
        self.assertRuntimeError(result, DISK_FULL, "Vimbrel", f" {first} -> /dev/full")


if __name__ == "__main__":
    unittest.main()
