"""Runs the built program on real files and checks what it leaves behind.

The program comes from the environment, so the same cases run on every build:

  VIMBREL_COMMAND   the command prefix, split like a shell line
                    ("build/linux/vimbrel", "wine64 /path/vimbrel.exe")
  VIMBREL_PLATFORM  "windows" when the command is the Windows program (under
                    Wine, with WINEDEBUG=-all): cases that only make sense on
                    Linux are skipped
  VIMBREL_TEMP      where the per-case folders go (default: the system's)
  VIMBREL_TIMEOUT   seconds one run may take before it counts as a hang
  VIMBREL_WITHOUT   a name of a system function: the cases run a copy of the
                    program whose look-up of it finds nothing, as on a Windows
                    that lacks it (GetFileInformationByHandleEx: Windows XP)
"""

import atexit
import hashlib
import os
import random
import re
import shlex
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest

# The tables of test data the C++ tests share.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data"))
import tables  # noqa: E402

PROGRAM = shlex.split(os.environ.get("VIMBREL_COMMAND", ""))
# The program runs from each case's own folder: a relative path to it, the
# last word that names a file, is taken from where the tests were started.
for _index in reversed(range(len(PROGRAM))):
    if os.path.isfile(PROGRAM[_index]):
        PROGRAM[_index] = os.path.abspath(PROGRAM[_index])
        break
WINDOWS = os.environ.get("VIMBREL_PLATFORM", "linux") == "windows"
TIMEOUT = float(os.environ.get("VIMBREL_TIMEOUT", "60"))
TEMP_ROOT = os.environ.get("VIMBREL_TEMP") or None


def copy_without(program, name):
    """A copy of the program in which the name of an imported or looked-up
    function is changed in one letter's case, in a folder that goes when the
    tests end: the look-up finds nothing, and every other byte stays."""
    with open(program, "rb") as file:
        image = file.read()
    found = image.count(name + b"\0")
    if found != 1:
        raise RuntimeError(f"{program} holds {name!r} {found} times, not once")
    if TEMP_ROOT is not None:
        os.makedirs(TEMP_ROOT, exist_ok=True)
    folder = tempfile.mkdtemp(prefix="vimbrel-without-", dir=TEMP_ROOT)
    atexit.register(shutil.rmtree, folder, True)
    copy = os.path.join(folder, os.path.basename(program))
    with open(copy, "wb") as file:
        file.write(image.replace(name + b"\0", name[:-1] + name[-1:].swapcase() + b"\0"))
    return copy


if os.environ.get("VIMBREL_WITHOUT") and PROGRAM:
    PROGRAM[-1] = copy_without(PROGRAM[-1], os.environ["VIMBREL_WITHOUT"].encode())

HEADER = 26    # skipped at the start of the second movie
TRAILER = 16   # left off the end of the first movie
CHUNK = 100000

USAGE = tables.usage_lines()

# What --version prints after the banner: the project's version, read where
# the build takes it from.
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                       "CMakeLists.txt"), encoding="utf-8") as _project:
    VERSION = [b"Vimbrel", b"vimbrel " + re.search(
        r"project\(vimbrel VERSION ([0-9.]+)", _project.read()).group(1).encode()]

NOBODY = 65534

# How the program ends the line it writes to standard error.
ERROR_LINE_END = b"\r\n" if WINDOWS else b"\n"

# Files above this size are told apart by their metadata, not their bytes.
HASH_LIMIT = 64 << 20


def linux_only(why):
    """Skips a case on the Windows program."""
    return unittest.skipIf(WINDOWS, "Linux only: " + why)


def fsbytes(text):
    return text if isinstance(text, bytes) else os.fsencode(text)


def movie_bytes(size, seed):
    """Distinct bytes for each movie, so that a shifted copy never matches."""
    return random.Random(seed).randbytes(size)


def joined(first, second):
    """What the program must write for two movies."""
    return first[:max(len(first) - TRAILER, 0)] + second[HEADER:]


def lines(*texts):
    """The exact standard output for these lines."""
    return b"".join(fsbytes(text) + b"\r\n" for text in texts)


def exit_status(code):
    """The status a caller sees for an error code.

    Linux keeps the low 8 bits and turns a code whose low 8 bits are 0 into 255;
    Wine passes the low 8 bits of the Windows status.
    """
    low = code & 0xFF
    if not WINDOWS and code != 0 and low == 0:
        return 255
    return low


def error_line(said):
    """The exact line on standard error that says this."""
    return tables.error_text("line", said=fsbytes(said)) + ERROR_LINE_END


def wrong_count(count):
    """What standard error says of a count other than three."""
    return tables.error_text("wrong_count", count=count)


def runtime_error_line(code):
    """The run-time error line for a code of up to four digits, as a pattern."""
    return re.compile(re.escape(b"Runtime error" + str(code).rjust(4).encode() + b" at ")
                      + rb"[0-9A-F]{8}")


class Result:
    def __init__(self, status, stdout, stderr):
        self.status = status
        self.stdout = stdout
        self.stderr = stderr

    def __repr__(self):
        return f"status {self.status}, stdout {self.stdout!r}, stderr {self.stderr[-2000:]!r}"


_unprivileged_checked = {}


def unprivileged_prefix():
    """The prefix that runs a command as a user the file modes apply to.

    Root ignores file modes, so root runs the program as user 65534; anybody
    else is unprivileged already. Raises SkipTest when neither works.
    """
    if os.geteuid() != 0:
        return []
    setpriv = shutil.which("setpriv")
    if setpriv is None:
        raise unittest.SkipTest("running as root and setpriv (util-linux) is missing")
    return [setpriv, f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups", "--"]


class ProgramTest(unittest.TestCase):
    """One folder per case; every run checks that no input changed."""

    def setUp(self):
        if not PROGRAM:
            self.fail("VIMBREL_COMMAND names no program")
        root = self.temp_root()
        if root is not None:
            os.makedirs(root, exist_ok=True)
        self.dir = tempfile.mkdtemp(prefix="vimbrel-", dir=root)
        self.addCleanup(remove_tree, self.dir)
        self.fingerprints = {}

    def temp_root(self):
        """Where the case folder goes; None for the system's temporary folder."""
        return TEMP_ROOT

    # Files -----------------------------------------------------------------

    def path(self, name):
        """The host path of a name as the program sees it from the case folder.

        On Windows a backslash separates folders; on Linux it is a plain byte.
        """
        name = fsbytes(name)
        if WINDOWS:
            name = name.replace(b"\\", b"/")
        return os.path.join(fsbytes(self.dir), name)

    def folder(self, name):
        os.makedirs(self.path(name), exist_ok=True)

    def write(self, name, data):
        with open(self.path(name), "wb") as file:
            file.write(data)

    def read(self, name):
        with open(self.path(name), "rb") as file:
            return file.read()

    def exists(self, name):
        return os.path.lexists(self.path(name))

    def movie(self, name, size, seed=None):
        """Creates an input movie of random bytes and watches it for changes."""
        data = movie_bytes(size, seed if seed is not None else fsbytes(name))
        self.write(name, data)
        self.watch(name)
        return data

    def watch(self, name):
        """Every later run fails if this file changes."""
        self.fingerprints[self.path(name)] = fingerprint(self.path(name))

    def listing(self):
        """Every entry under the case folder, to see that nothing was created."""
        found = []
        for top, folders, files in os.walk(fsbytes(self.dir)):
            found.extend(os.path.relpath(os.path.join(top, name), fsbytes(self.dir))
                         for name in folders + files)
        return sorted(found)

    # Runs ------------------------------------------------------------------

    def run_program(self, *arguments, stdout=subprocess.PIPE, stderr=subprocess.PIPE, prefix=(),
                    preexec_fn=None, program=PROGRAM):
        """Runs the program in the case folder; a run past the timeout fails."""
        command = [fsbytes(part) for part in [*prefix, *program, *arguments]]
        try:
            completed = subprocess.run(command, cwd=self.dir, stdin=subprocess.DEVNULL,
                                       stdout=stdout, stderr=stderr,
                                       timeout=TIMEOUT, preexec_fn=preexec_fn)
        except subprocess.TimeoutExpired:
            self.fail(f"{command!r} did not end within {TIMEOUT:g} s")
        result = Result(completed.returncode, completed.stdout or b"", completed.stderr or b"")
        # Nothing after a success; after a failure one line that names the
        # program (a sanitizer's report is more than that).
        if stderr != subprocess.PIPE:
            pass  # the caller reads where it went
        elif result.status == 0:
            self.assertEqual(result.stderr, b"", result)
        else:
            any_line = re.escape(error_line(b"SAID")).replace(b"SAID", rb"[^\r\n]+")
            self.assertRegex(result.stderr, rb"\A" + any_line + rb"\Z", result)
        for path, before in self.fingerprints.items():
            self.assertEqual(fingerprint(path), before, f"input {path!r} changed; {result}")
        return result

    def run_appending_to(self, target, *arguments):
        """Runs the program with standard output appended to a file of the
        case folder, as `>> target` opens it; the result's stdout is the
        file's bytes after the run. On Windows the Windows shell opens the
        file, as a user's would: Wine gives a file it got from Linux no
        volume, which leaves it no identity."""
        if not WINDOWS:
            with open(self.path(target), "ab") as file:
                result = self.run_program(*arguments, stdout=file)
        else:
            line = [windows_path(PROGRAM[-1]), *map(fsbytes, arguments), b">>", fsbytes(target)]
            if any(b" " in word or b'"' in word for word in line):
                self.fail(f"the shell's line would need quotes: {line!r}")
            result = self.run_program(b"/c", b" ".join(line), program=[*PROGRAM[:-1], "cmd"])
        result.stdout = self.read(target)
        return result

    def identities_known(self):
        """Whether the program can tell the case folder's files by identity.

        Wine gives a volume serial number only to files on the file system
        of its drive Z:, the root folder's; elsewhere (another mount, such
        as the guest's scratch disk) both of Windows' queries answer 0, an
        unknown volume, and a file cannot be told from another one of the
        same index on another volume."""
        return not WINDOWS or os.stat(self.dir).st_dev == os.stat("/").st_dev

    def short_name(self, name):
        """The short (8.3) name Windows gives a file of the case folder."""
        listing = subprocess.run([*PROGRAM[:-1], "cmd", "/c", "dir", "/x", name], cwd=self.dir,
                                 stdin=subprocess.DEVNULL, capture_output=True,
                                 timeout=TIMEOUT, check=True).stdout
        found = re.search(rb" (\S+~\S+) +" + re.escape(fsbytes(name)) + rb"\r?$", listing,
                          re.MULTILINE)
        self.assertIsNotNone(found, listing)
        return found.group(1).decode()

    def run_unprivileged(self, *arguments):
        """Runs the program as a user that the file modes apply to."""
        prefix = unprivileged_prefix()
        os.chmod(self.dir, 0o755)
        key = tuple(prefix)
        if key not in _unprivileged_checked:
            probe = self.run_program(prefix=prefix)
            _unprivileged_checked[key] = probe.status == 0 and probe.stdout == lines(*USAGE)
        if not _unprivileged_checked[key]:
            self.skipTest(f"user {NOBODY} cannot run {PROGRAM!r} (a folder on its way "
                          "is not searchable?)")
        return self.run_program(*arguments, prefix=prefix)

    # Checks ----------------------------------------------------------------

    def assertOutput(self, result, *texts, status=0, stderr=b""):
        self.assertEqual((result.status, result.stdout), (status, lines(*texts)), result)
        if status != 0:
            self.assertSaid(result, stderr)

    def assertSaid(self, result, text):
        """The line on standard error is exactly this, after the program's name."""
        self.assertEqual(result.stderr, error_line(text), result)

    def assertFailureSaid(self, result, doing, code, errno_value=None):
        """The line on standard error says what failed, and where, with the
        code; on Linux in the C library's words for the errno."""
        words = (os.strerror(errno_value).encode() if errno_value is not None and not WINDOWS
                 else b"WORDS")
        line = error_line(tables.error_text("failure", doing=fsbytes(doing), words=words,
                                            code=code))
        self.assertRegex(result.stderr,
                         rb"\A" + re.escape(line).replace(b"WORDS", rb"[^\r\n]+") + rb"\Z",
                         result)

    def assertRuntimeError(self, result, code, *before):
        """The run-time error line ends standard output and its code is the status."""
        printed = result.stdout.split(b"\r\n")
        self.assertEqual(printed[-1], b"", f"standard output does not end with CR LF; {result}")
        self.assertEqual([line + b"\r\n" for line in printed[:-2]], [lines(t) for t in before],
                         result)
        self.assertRegex(printed[-2], runtime_error_line(code), result)
        self.assertEqual(len(printed[-2]), 29, result)
        self.assertEqual(result.status, exit_status(code), result)


def windows_path(path):
    """A Linux path as a Windows program under Wine names it: on drive Z:."""
    return b"Z:" + fsbytes(os.path.abspath(path)).replace(b"/", b"\\")


def fingerprint(path):
    status = os.lstat(path)
    if stat.S_ISREG(status.st_mode) and status.st_size <= HASH_LIMIT:
        with open(path, "rb") as file:
            return hashlib.sha256(file.read()).hexdigest()
    return (status.st_mode, status.st_size, status.st_mtime_ns, status.st_ctime_ns)


def remove_tree(path):
    # A case may leave a folder or file without permissions for its owner.
    def writable_and_retry(function, failed, _):
        os.chmod(os.path.dirname(failed), 0o755)
        if not os.path.islink(failed):
            os.chmod(failed, 0o755)
        function(failed)
    shutil.rmtree(path, onerror=writable_and_retry)
