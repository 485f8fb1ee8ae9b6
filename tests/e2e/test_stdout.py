"""Standard output that cannot take what the program prints."""

import os
import unittest

from harness import WINDOWS, ProgramTest, linux_only

NOT_OPEN = 103
# What a write to a pipe without a reader gives: Wine answers 233 (pipe not
# connected) where the Linux program answers 109.
BROKEN_PIPE = 233 if WINDOWS else 109
DISK_FULL = 112
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
        # The banner fails before any file is opened.
        self.assertFalse(self.exists("c.mve"))

    @linux_only("/dev/full")
    def test_on_a_full_device(self):
        # A character device gets each line as it ends: the banner fails.
        with open("/dev/full", "wb") as full:
            result = self.run_program("a.mve", "b.mve", "c.mve", stdout=full)
        self.assertEqual(result.status, DISK_FULL, result)
        self.assertFalse(self.exists("c.mve"))

    def test_on_a_pipe_whose_reader_has_gone(self):
        # Pipes get whole 128-byte blocks: an output name this long makes the
        # first progress line fill one while the program runs. The write must
        # fail; a program killed by SIGPIPE ends with a signal instead.
        output = "c" * 150 + ".mve"
        reader, writer = os.pipe()
        os.close(reader)
        try:
            result = self.run_program("a.mve", "b.mve", output, stdout=writer)
        finally:
            os.close(writer)
        self.assertEqual(result.status, BROKEN_PIPE, result)
        # The failure stopped the join right after the output was created.
        self.assertEqual(self.read(output), b"")

    def test_redirected_to_a_file_the_error_line_comes_last(self):
        with open(self.path("stdout.txt"), "wb") as file:
            result = self.run_program("a.mve", "b.mve", "nodir/c.mve", stdout=file)
        result.stdout = self.read("stdout.txt")
        self.assertRuntimeError(result, PATH_NOT_FOUND, "Vimbrel")

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
