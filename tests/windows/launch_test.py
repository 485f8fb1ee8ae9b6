"""The Windows program started with exact command lines by vimbrel_launch.

What the program makes of the real GetCommandLineA shows through the count
(the usage text or not, and its status) and, with three arguments and a
missing first input, through the not-found line, which holds argument 1 byte
for byte. Standard error comes back apart from standard output. The same
launcher holds a file open in another process to show how the program meets
Windows' file sharing.

The line on standard error and the progress lines are also read from a
console, which Wine makes of a terminal, in the program's UTF-8 and, for a
copy without the manifest's code page, in a Japanese locale's code page 932.

VIMBREL_LAUNCH_COMMAND starts the launcher (under Wine: the emulator and
vimbrel_launch.exe); VIMBREL_COMMAND starts the program itself;
VIMBREL_CONSOLE_TEXT_COMMAND the program's console writer alone;
VIMBREL_PROGRAM is the Linux path of vimbrel.exe; VIMBREL_LOCALES a folder
of the build for the Japanese locale, made there by localedef.
"""
import fcntl
import functools
import os
import pty
import re
import select
import shlex
import shutil
import struct
import subprocess
import sys
import tempfile
import termios
import time
import unittest

LAUNCH = shlex.split(os.environ["VIMBREL_LAUNCH_COMMAND"])
PROGRAM = "Z:" + os.path.abspath(os.environ["VIMBREL_PROGRAM"]).replace("/", "\\")
# One launch: the command-line table's is the longest, at most the whole
# test's 201 s in the busy guest; twice that, below the test's own limit.
TIMEOUT = 420

# The tables of test data the C++ tests share.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data"))
import tables  # noqa: E402

USAGE = b"".join(line + b"\r\n" for line in tables.usage_lines())

FILE_SHARE_READ = 1
FILE_SHARE_WRITE = 2

# Command line, its count, its arguments.
COMMAND_LINES = tables.command_lines()

CHANGED_ARGUMENT_WORDS = (b"cannot take the arguments exactly as given (double quotes the command "
                          b"line cannot carry, or characters outside the code page); no file was "
                          b"touched (error 123)")


def launch(lines, cwd, hold=None, output=True, program=None):
    """Starts the program once per command line; (exit code, stdout, stderr)
    of each. Another `program` and its lines are texts, which reach it as
    UTF-16 whatever the code pages on the way."""
    arguments = LAUNCH + [PROGRAM if program is None else "x" + program.encode().hex()]
    if hold is not None:
        arguments += ["--hold", hold[0], str(hold[1])]
    if not output:
        arguments.append("--no-output")
    if program is not None:
        arguments.append("--utf8")
        lines = [line.encode() for line in lines]
    arguments += ["x" + line.hex() for line in lines]
    done = subprocess.run(arguments, cwd=cwd, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=TIMEOUT, check=True)
    report = done.stdout
    runs = []
    while report:
        header, report = report.split(b"\n", 1)
        code, count, error_count = (
            int(field) for field in re.fullmatch(rb"exit (\d+) (\d+) (\d+)", header).groups())
        runs.append((code, report[:count], report[count:count + error_count]))
        report = report[count + error_count:]
    if len(runs) != len(lines):
        raise AssertionError(f"{len(runs)} runs reported for {len(lines)} lines: {done.stderr!r}")
    return runs


def error_line(said):
    """The line on standard error, as Windows programs end their lines."""
    return tables.error_text("line", said=said) + b"\r\n"


def not_found(argument):
    """A missing input; standard error tells why the query failed, in Wine's
    words: a name with a character Windows forbids is no name at all."""
    code, words = (123, b"Invalid name.") if any(c in argument for c in b'"*?<>|') else (
        2, b"File not found.")
    return (2, b"Vimbrel\r\nInput file `" + argument + b"' not found.\r\n",
            error_line(tables.error_text("failure", doing=b"cannot find `" + argument + b"'",
                                         words=words, code=code)))


def usage(line, count, arguments):
    """Status 0 only when the usage was asked for: nothing typed after the
    program's name, or a request for help."""
    if (count == 0 and b'"' not in line) or arguments == [b"/?"]:
        return (0, USAGE, b"")
    return (160, USAGE, error_line(tables.error_text("wrong_count", count=count)))


def as_the_program_reads(argument):
    """An argument's bytes as the program sees them.

    The launcher's ANSI code page (1252 in the test prefix) turns the line
    into characters, and the program's manifest makes its own UTF-8.
    """
    return argument.decode("cp1252").encode("utf-8")


class CommandLineTest(unittest.TestCase):
    def test_count_and_first_argument(self):
        # Each line as it is, and where it can be done, padded to three
        # arguments so that the not-found line shows argument 1. An unclosed
        # quote would swallow the padding.
        cases = []
        for line, count, arguments in COMMAND_LINES:
            first = as_the_program_reads(arguments[0]) if arguments else None
            if count == 3:
                cases.append((line, not_found(first)))
            else:
                cases.append((line, usage(line, count, arguments)))
                if arguments and line.count(b'"') % 2 == 0:
                    cases.append((line + b" m" * (3 - count), not_found(first)))
        with tempfile.TemporaryDirectory() as work:
            runs = launch([line for line, _ in cases], work)
        for (line, expected), run in zip(cases, runs):
            with self.subTest(line=line):
                self.assertEqual(run, expected)


def on_a_console(arguments, cwd, command=None, output=False):
    """Runs the program (or another `command`) with its standard error, and
    with `output` its standard output too, on a terminal, which Wine makes a
    console of: (exit code, what standard output got elsewhere, what the
    terminal showed with its controls and carriage returns left out)."""
    controller, terminal = pty.openpty()
    # Wide enough for every line: Wine's console draws a line that wraps
    # again from its start.
    fcntl.ioctl(terminal, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 1000, 0, 0))
    if command is None:
        command = shlex.split(os.environ["VIMBREL_COMMAND"])
    try:
        process = subprocess.Popen(command + arguments, cwd=cwd, stdin=subprocess.DEVNULL,
                                   stdout=terminal if output else subprocess.PIPE,
                                   stderr=terminal)
        os.close(terminal)
        shown = b""
        deadline = time.monotonic() + TIMEOUT
        # Until the last of Wine's processes lets the terminal go.
        while select.select([controller], [], [], max(0, deadline - time.monotonic()))[0]:
            try:
                chunk = os.read(controller, 4096)
            except OSError:  # EIO: no one holds the terminal
                break
            if not chunk:
                break
            shown += chunk
        stdout, _ = process.communicate(timeout=TIMEOUT)
    finally:
        os.close(controller)
    return process.returncode, stdout or b"", re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]|\r", b"", shown)


def copy_without_utf8(folder):
    """A copy of the program as Windows before 10 version 1903 runs it: its
    manifest's UTF-8 code page ignored, in the ANSI code page of the locale."""
    with open(os.environ["VIMBREL_PROGRAM"], "rb") as file:
        program = file.read()
    # The element gives way to a comment of its length, which leaves the
    # manifest's resource as it was in size and in place.
    element = re.search(rb"<activeCodePage\b[^>]*>UTF-8</activeCodePage>", program)
    if element is None:
        raise AssertionError("the manifest asks for no UTF-8 code page")
    blank = b"<!--" + b" " * (element.end() - element.start() - 7) + b"-->"
    copy = os.path.join(folder, "vimbrel.exe")
    with open(copy, "wb") as file:
        file.write(program[:element.start()] + blank + program[element.end():])
    return copy


@functools.lru_cache(maxsize=None)
def make_japanese_locale():
    """Makes the locale anew in the build: what localedef said, on failure."""
    locales = os.environ["VIMBREL_LOCALES"]
    shutil.rmtree(locales, ignore_errors=True)
    os.makedirs(locales)
    made = subprocess.run(["localedef", "-i", "ja_JP", "-f", "UTF-8", "-c",
                           os.path.join(locales, "ja_JP.UTF-8")],
                          capture_output=True, timeout=TIMEOUT)
    return made.stderr.decode(errors="replace") if made.returncode != 0 else None


def japanese_command(test, program):
    """The emulator's command for `program` in a Japanese locale with UTF-8
    on the Linux side: Wine gives the program code page 932 and shows the
    console's text in UTF-8."""
    failure = make_japanese_locale()
    if failure is not None:
        test.skipTest("no Japanese locale to make (Debian's locales package): " + failure)
    locales = os.environ["VIMBREL_LOCALES"]
    # The emulator sets the locale before its loader: these come after it.
    emulator = shlex.split(os.environ["VIMBREL_COMMAND"])[:-1]
    return emulator[:-1] + ["LOCPATH=" + locales, "LC_ALL=ja_JP.UTF-8", emulator[-1], program]


class ConsoleTest(unittest.TestCase):
    def test_the_error_line_shows_every_character_on_a_console(self):
        # Outside the console's code page (437) as much as the program's.
        name = "\u0141\u00f3d\u017a.mve".encode()
        with tempfile.TemporaryDirectory() as work:
            code, stdout, shown = on_a_console([name, b"b.mve", b"out.mve"], work)
        expected = not_found(name)
        self.assertEqual((code, stdout, shown), (expected[0], expected[1],
                                                 expected[2].replace(b"\r", b"")))

    def test_progress_lines_show_whole_characters_on_a_console(self):
        # The 128-byte buffer goes to the console when it fills: byte 128 of
        # the first progress line falls after a lead byte of 日 or on its
        # trail byte (0xFA, which can lead too) in code page 932, and after
        # one or two bytes of it in UTF-8.
        rows = [  # first input, in Japanese
            ("\u65e5" * 70 + ".mve", True),
            ("a" + "\u65e5" * 70 + ".mve", True),
            ("\u65e5" * 50 + ".mve", False),
            ("ab" + "\u65e5" * 50 + ".mve", False),
        ]
        for first, japanese in rows:
            with self.subTest(first=first, japanese=japanese), \
                    tempfile.TemporaryDirectory() as work:
                for name, data in [(first, FIRST), ("b.mve", SECOND)]:
                    with open(os.path.join(work, name), "wb") as file:
                        file.write(data)
                command = (japanese_command(self, copy_without_utf8(work)) if japanese
                           else None)
                code, _, shown = on_a_console([first.encode(), b"b.mve", b"out.mve"], work,
                                              command=command, output=True)
                self.assertEqual((code, shown.decode(errors="replace")),
                                 (0, f"Vimbrel\n {first} -> out.mve\n b.mve -> out.mve\n"))
                with open(os.path.join(work, "out.mve"), "rb") as file:
                    self.assertEqual(file.read(), JOINED)


    def test_bytes_that_do_not_convert_reach_the_console_as_bytes(self):
        # The console shows them in its own code page, 437 here, between the
        # characters that convert; a character cut at the end is such bytes.
        rows = [  # code page, text, what the console shows
            (65001, "ab\u65e5c".encode(), "ab\u65e5c"),
            (65001, b"ab\xe6\x97", "ab\u00b5\u00f9"),
            (65001, b"a\xffb\xe6\x97\xa5", "a\u00a0b\u65e5"),
            (932, b"a\x93\xfab", "a\u65e5b"),
            (932, b"a\x93", "a\u00f4"),
        ]
        command = shlex.split(os.environ["VIMBREL_CONSOLE_TEXT_COMMAND"])
        for code_page, text, expected in rows:
            with self.subTest(code_page=code_page, text=text), \
                    tempfile.TemporaryDirectory() as work:
                self.assertEqual(on_a_console([str(code_page), "x" + text.hex()], work,
                                              command=command, output=True),
                                 (0, b"", expected.encode()))


class StandardOutputTest(unittest.TestCase):
    def test_without_standard_output_the_first_line_ends_the_program_with_103(self):
        # The write finds no handle to open (105), its line end then finds the
        # stream closed (103), and the message has nowhere to go.
        with tempfile.TemporaryDirectory() as work:
            runs = launch([b"vimbrel.exe", b"vimbrel.exe a.mve b.mve out.mve"], work, output=False)
            said = error_line(b"cannot write to standard output: it is not open (error 103)")
            self.assertEqual(runs, [(103, b"", said), (103, b"", said)])
            self.assertEqual(os.listdir(work), [])


FIRST = bytes(range(1, 51))
SECOND = bytes(range(200, 256)) * 2
JOINED = FIRST[:-16] + SECOND[26:]


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class AnsiCodePageTest(unittest.TestCase):
    """Windows before 10 version 1903 ignores the manifest's UTF-8 code page:
    a copy of the program whose manifest lacks it runs in the ANSI code page
    of the test prefix, 1252."""

    def test_a_folder_outside_the_code_page_joins_a_name_outside_it_is_refused(self):
        rows = [  # first input, status
            ("a.mve", 0),
            ("\u00e9.mve", 0),  # in code page 1252
            ("\u0141.mve", 123),  # outside it
        ]
        with tempfile.TemporaryDirectory() as work:
            # Started from there, as typed in a user's Downloads folder.
            folder = os.path.join(work, "\u0141ukasz")
            os.mkdir(folder)
            program = windows_path(copy_without_utf8(folder))
            for name, data in [("a.mve", FIRST), ("\u00e9.mve", FIRST), ("\u0141.mve", FIRST),
                               ("b.mve", SECOND)]:
                with open(os.path.join(folder, name), "wb") as file:
                    file.write(data)
            lines = [f'"{program}" {first} b.mve out{row}.mve'
                     for row, (first, _) in enumerate(rows)]
            runs = launch(lines, folder, program=program)
            for row, ((first, status), run) in enumerate(zip(rows, runs)):
                with self.subTest(first=first):
                    output = os.path.join(folder, f"out{row}.mve")
                    if status == 0:
                        out = f"out{row}.mve".encode()
                        self.assertEqual(run, (0, b"Vimbrel\r\n " + first.encode("cp1252") +
                                               b" -> " + out + b"\r\n b.mve -> " + out + b"\r\n",
                                               b""))
                        with open(output, "rb") as file:
                            self.assertEqual(file.read(), JOINED)
                    else:
                        self.assertEqual(run, (status, b"Vimbrel\r\nAn argument cannot reach the "
                                               b"program exactly as given.\r\n",
                                               error_line(CHANGED_ARGUMENT_WORDS)))
                        self.assertFalse(os.path.exists(output))


class SharingTest(unittest.TestCase):
    def launch_join(self, held, share):
        with tempfile.TemporaryDirectory() as work:
            for name, data in [("a.mve", FIRST), ("b.mve", SECOND), ("out.mve", b"old")]:
                with open(os.path.join(work, name), "wb") as file:
                    file.write(data)
            [run] = launch([b"vimbrel.exe a.mve b.mve out.mve"], work, hold=(held, share))
            with open(os.path.join(work, "out.mve"), "rb") as file:
                return run, file.read()

    def test_a_holder_that_lets_others_read_does_not_stop_the_join(self):
        for held, share in [("a.mve", FILE_SHARE_READ), ("b.mve", FILE_SHARE_READ),
                            ("a.mve", FILE_SHARE_READ | FILE_SHARE_WRITE)]:
            with self.subTest(held=held, share=share):
                run, output = self.launch_join(held, share)
                self.assertEqual(
                    run, (0, b"Vimbrel\r\n a.mve -> out.mve\r\n b.mve -> out.mve\r\n", b""))
                self.assertEqual(output, JOINED)

    def test_a_holder_that_shares_nothing_makes_the_open_fail_with_32(self):
        locations = set()
        for held in ["a.mve", "b.mve", "out.mve"]:
            with self.subTest(held=held):
                (code, stdout, stderr), output = self.launch_join(held, 0)
                self.assertEqual(code, 32)
                self.assertRegex(stdout, rb"\AVimbrel\r\nRuntime error  32 at [0-9A-F]{8}\r\n\Z")
                # In the system's words.
                doing = b"create" if held == "out.mve" else b"open"
                line = error_line(tables.error_text(
                    "failure", doing=b"cannot " + doing + b" `" + held.encode() + b"'",
                    words=b"WORDS", code=32))
                self.assertRegex(stderr, rb"\A" + re.escape(line).replace(b"WORDS", rb"[^\r\n]+")
                                 + rb"\Z")
                # The output is created only after both inputs are open.
                self.assertEqual(output, b"old")
                locations.add(stdout[-10:-2])
        # Each open reports where it failed.
        self.assertEqual(len(locations), 3, locations)


if __name__ == "__main__":
    unittest.main()
