"""Inputs that are not plain movies, and names that are hard to pass along.

(A folder or a dangling link as input is in test_refusals; empty movies are
among the boundary sizes of test_join.)
"""

import errno
import os
import socket
import threading
import time
import unittest

from harness import WINDOWS, ProgramTest, joined, linux_only, movie_bytes

ACCESS_DENIED = 5
NOT_A_DISK_FILE = 50
INVALID_NAME = 123
SHORT_READ = 100
MADE_UP_WORDS = ("the system makes up its bytes as they are read (a file of /proc, /sys or the "
                 "like), so its size says nothing")
CHANGED_ARGUMENT_WORDS = ("cannot take the arguments exactly as given (double quotes the command "
                          "line cannot carry, or characters outside the code page); no file was "
                          "touched (error 123)")

# Files whose reported size (a page) is more than they hold, and whose
# contents stay put.
OVERSTATED = ["/sys/devices/system/cpu/possible", "/sys/devices/system/cpu/online",
              "/sys/kernel/mm/transparent_hugepage/enabled"]


def overstated_file():
    for path in OVERSTATED:
        try:
            with open(path, "rb") as file:
                held = file.read()
        except OSError:
            continue
        if os.path.getsize(path) > len(held) + 16:
            return path, held
    raise unittest.SkipTest("no file under /sys reports more bytes than it holds")


class NotADiskFile(ProgramTest):
    def test_a_fifo_or_device_input_ends_with_error_50_before_the_output_is_created(self):
        # A FIFO with no writer would block an ordinary open for ever; devices
        # and files of /proc report a size of 0 and would otherwise be joined
        # as if empty.
        self.movie("a.mve", 1000)
        self.movie("b.mve", 1000)
        # Each is told by its name or by stat, before anything opens it, but
        # a file of /proc, which its file system tells apart once it is open.
        if WINDOWS:
            # A pipe with a server would lose its one connection.
            devices = ["NUL", "\\\\.\\pipe\\vimbrel-none", "CONIN$",
                       "\\\\?\\UNC\\localhost\\pipe\\vimbrel-none",
                       "\\\\.\\GLOBALROOT\\Device\\Null"]
        else:
            fifo = self.path("pipe.mve")
            os.mkfifo(fifo)
            listener = socket.socket(socket.AF_UNIX)
            self.addCleanup(listener.close)
            # Bound by its name in the case's folder: a socket's path holds at
            # most 107 bytes, fewer than a deep build folder's may take.
            here = os.getcwd()
            os.chdir(self.dir)
            try:
                listener.bind("sock.mve")
            finally:
                os.chdir(here)
            devices = ["pipe.mve", "/dev/zero", "sock.mve", "/proc/version"]
            # A writer waiting for the FIFO's reader would wake at an open,
            # and then find its reader gone.
            woken = threading.Event()
            writer = threading.Thread(target=lambda: (os.close(os.open(fifo, os.O_WRONLY)),
                                                      woken.set()))
            writer.start()
        cases = [[device, "b.mve", "c.mve"] for device in devices]
        cases += [["a.mve", device, "c.mve"] for device in devices]
        for arguments in cases:
            device = arguments[0] if arguments[0] in devices else arguments[1]
            words = (MADE_UP_WORDS if device == "/proc/version" else
                     "not a regular file (a FIFO, socket or device)")
            with self.subTest(arguments=arguments):
                result = self.run_program(*arguments)
                self.assertRuntimeError(result, NOT_A_DISK_FILE, "Vimbrel")
                # 50 is a Windows code too: the program says what it means here.
                self.assertSaid(result, f"cannot read `{device}': {words} (error 50)")
                self.assertFalse(self.exists("c.mve"))
        if not WINDOWS:
            self.assertFalse(woken.wait(0.5), "the FIFO was opened")
            # Lets the writer go.
            os.close(os.open(fifo, os.O_RDONLY | os.O_NONBLOCK))
            writer.join()

    @linux_only("FIFOs")
    def test_a_fifo_output_waits_for_its_reader(self):
        # As `cat a > fifo` would: the player may start after the program.
        first = self.movie("a.mve", 250000)
        second = self.movie("b.mve", 150000)
        os.mkfifo(self.path("out.mve"))
        received = []

        def play():
            time.sleep(0.7)
            with open(self.path("out.mve"), "rb") as fifo:
                received.append(fifo.read())

        player = threading.Thread(target=play)
        player.start()
        result = self.run_program("a.mve", "b.mve", "out.mve")
        player.join()
        self.assertOutput(result, "Vimbrel", " a.mve -> out.mve", " b.mve -> out.mve")
        self.assertEqual(received, [joined(first, second)])


class OverstatedSize(ProgramTest):
    """A file of /sys reports a page and holds a few bytes: joined by its size,
    it would leave a short join where the output was. It is refused (50)
    before the output is opened, which keeps every byte."""

    @linux_only("/sys")
    def test_as_the_first_input(self):
        path, _ = overstated_file()
        self.movie("b.mve", 1000)
        self.movie("c.mve", 5000)
        self.watch("c.mve")
        result = self.run_program(path, "b.mve", "c.mve")
        self.assertRuntimeError(result, NOT_A_DISK_FILE, "Vimbrel")
        self.assertSaid(result, f"cannot read `{path}': {MADE_UP_WORDS} (error 50)")

    @linux_only("/sys")
    def test_as_the_second_input(self):
        path, _ = overstated_file()
        self.movie("a.mve", 1000)
        self.movie("c.mve", 5000)
        self.watch("c.mve")
        result = self.run_program("a.mve", path, "c.mve")
        self.assertRuntimeError(result, NOT_A_DISK_FILE, "Vimbrel")
        self.assertSaid(result, f"cannot read `{path}': {MADE_UP_WORDS} (error 50)")


class CutWhileRead(ProgramTest):
    @linux_only("FIFOs")
    def test_a_second_movie_cut_while_it_is_read(self):
        # Another program cuts the second movie once more than a megabyte of
        # it reached the player: cut below the bytes already copied, the join
        # is short (100), as the first movie's would be; cut above them, the
        # join ends at the new end, as `tail` would.
        first = self.movie("a.mve", 1016)
        second = movie_bytes(3000000, b"second")
        cut_after = 1200000  # bytes the player received
        for cut_to, status in [(1000, SHORT_READ), (2500000, 0)]:
            with self.subTest(cut_to=cut_to):
                self.write("b.mve", second)
                if self.exists("out.mve"):
                    os.unlink(self.path("out.mve"))
                os.mkfifo(self.path("out.mve"))
                received = bytearray()

                def play():
                    with open(self.path("out.mve"), "rb") as fifo:
                        cut = False
                        while chunk := fifo.read(65536):
                            received.extend(chunk)
                            if not cut and len(received) >= cut_after:
                                os.truncate(self.path("b.mve"), cut_to)
                                cut = True

                player = threading.Thread(target=play)
                player.start()
                result = self.run_program("a.mve", "b.mve", "out.mve")
                player.join()
                if status == 0:
                    self.assertOutput(result, "Vimbrel", " a.mve -> out.mve", " b.mve -> out.mve")
                    self.assertEqual(bytes(received), joined(first, second[:cut_to]))
                else:
                    self.assertRuntimeError(result, SHORT_READ, "Vimbrel", " a.mve -> out.mve",
                                            " b.mve -> out.mve")
                    self.assertSaid(result, "cannot read `b.mve': it held fewer bytes than its "
                                            "size promised (error 100)")
                    self.assertEqual(bytes(received), joined(first, second)[:len(received)])


class Unreadable(ProgramTest):
    def check_unreadable(self, unreadable, readable):
        self.movie(readable, 1000)
        # Not watched: the test itself may not read it while it is unreadable.
        data = movie_bytes(1000, b"unreadable")
        self.write(unreadable, data)
        os.chmod(self.path(unreadable), 0o200)
        if os.geteuid() == 0:
            # Only the mode, not the owner, keeps the unprivileged user out.
            os.chown(self.path(unreadable), 65534, 65534)
        result = self.run_unprivileged("a.mve", "b.mve", "c.mve")
        self.assertRuntimeError(result, ACCESS_DENIED, "Vimbrel")
        self.assertFailureSaid(result, f"cannot open `{unreadable}'", ACCESS_DENIED, errno.EACCES)
        self.assertFalse(self.exists("c.mve"))
        os.chmod(self.path(unreadable), 0o644)
        self.assertEqual(self.read(unreadable), data)

    @linux_only("file modes and an unprivileged user")
    def test_a_first_input_the_user_may_not_read(self):
        self.check_unreadable("a.mve", "b.mve")

    @linux_only("file modes and an unprivileged user")
    def test_a_second_input_the_user_may_not_read(self):
        self.check_unreadable("b.mve", "a.mve")


class Names(ProgramTest):
    def join(self, first_name, second_name, output_name, first_shown, second_shown):
        first = self.movie(first_name, 3000)
        second = self.movie(second_name, 2000)
        result = self.run_program(first_name, second_name, output_name)
        self.assertOutput(result, b"Vimbrel", b" " + first_shown + b" -> " + output_name,
                          b" " + second_shown + b" -> " + output_name)
        self.assertEqual(self.read(output_name), joined(first, second))

    def test_paths_longer_than_259_bytes_are_never_cut(self):
        folder = b"f" * 200
        self.folder(folder)
        names = [folder + b"/" + letter * 100 + b".mve" for letter in (b"a", b"b", b"c")]
        self.assertGreater(len(names[0]), 259)
        # Cut at 259 bytes, the output would be a different file: make sure it
        # is there to be hit.
        self.write(names[2][:259], b"")
        self.watch(names[2][:259])
        if not WINDOWS:
            self.join(*names, names[0], names[1])
            return
        # Windows' ANSI file calls refuse such paths: the run must fail without
        # touching any file.
        self.movie(names[0], 3000)
        self.movie(names[1], 2000)
        before = self.listing()
        result = self.run_program(*names)
        self.assertNotEqual(result.status, 0, result)
        self.assertEqual(self.listing(), before)

    def test_names_with_spaces(self):
        self.join(b"my movie.mve", b" second  part .mve", b"the joined one.mve",
                  b"my movie.mve", b" second  part .mve")

    @linux_only("Windows names cannot hold double quotes")
    def test_names_with_double_quotes_inside(self):
        self.join(b'say "hi" now.mve', b'a"b"c.mve', b'out "x".mve',
                  b'say "hi" now.mve', b'a"b"c.mve')

    @linux_only("Windows names cannot hold double quotes")
    def test_names_the_command_line_cannot_carry_are_refused_with_nothing_touched(self):
        # An odd number of quotes, a leading pair, a name wrapped in quotes.
        cases = [[b'x"1.mve', b'y"2.mve', b"out.mve"],
                 [b"a.mve", b"b.mve", b'""out6.mve'],
                 [b'""z.mve', b"b.mve", b"q.mve"],
                 [b'"a.mve"', b"b.mve", b"c.mve"]]
        for name in [b'x"1.mve', b'y"2.mve', b"a.mve", b"b.mve", b'""z.mve', b'"a.mve"',
                     b"out6.mve", b"z.mve"]:
            self.movie(name, 100)
        before = self.listing()
        for arguments in cases:
            with self.subTest(arguments=arguments):
                result = self.run_program(*arguments)
                self.assertOutput(result, "Vimbrel",
                                  "An argument cannot reach the program exactly as given.",
                                  status=INVALID_NAME, stderr=CHANGED_ARGUMENT_WORDS)
                self.assertEqual(self.listing(), before)

    def test_names_beyond_an_ansi_code_page_are_used_as_given(self):
        # A code page without a-macron would make 'ā.mve' 'a.mve'.
        self.write("a.mve", b"keep")
        self.watch("a.mve")
        self.join("日本.mve".encode(), b"b.mve", "ā.mve".encode(), "日本.mve".encode(), b"b.mve")

    @linux_only("Wine translates names between UTF-8 and the ANSI code page")
    def test_names_with_bytes_128_to_255(self):
        high = bytes(range(128, 256))
        self.join(high[:64] + b".mve", high[64:] + b".mve", b"\xe9t\xe9 \xff.mve",
                  high[:64] + b".mve", high[64:] + b".mve")


if __name__ == "__main__":
    unittest.main()
