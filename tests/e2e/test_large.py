"""Movies past 4 GiB, whose sizes and positions need 64 bits, and a join of
them interrupted.

The inputs are sparse files with a few marked places; the output is real, so
it goes where there is room for it, /dev/shm first. It is checked around the
marks and at the 2 GiB and 4 GiB boundaries rather than byte for byte, which
would take longer than the join itself.
"""

import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from harness import (CHUNK, HEADER, PROGRAM, TEMP_ROOT, TIMEOUT, TRAILER, WINDOWS, ProgramTest,
                     exit_status, fsbytes, movie_bytes)

GIB = 1 << 30
FIRST_SIZE = 4 * GIB + 3 * CHUNK + 1234
SECOND_SIZE = 2 * GIB + CHUNK + 567
OUTPUT_SIZE = FIRST_SIZE - TRAILER + SECOND_SIZE - HEADER
MARGIN = GIB
WINDOW = 8192


def available_memory():
    with open("/proc/meminfo") as meminfo:
        for line in meminfo:
            if line.startswith("MemAvailable:"):
                return int(line.split()[1]) * 1024
    return 0


def room_for_output():
    """/dev/shm when it and the memory behind it can hold the output, else the
    temporary folder when its disk can; None when neither can."""
    if (os.path.isdir("/dev/shm") and shutil.disk_usage("/dev/shm").free > OUTPUT_SIZE + MARGIN
            and available_memory() > OUTPUT_SIZE + 2 * MARGIN):
        return "/dev/shm"
    disk = TEMP_ROOT or tempfile.gettempdir()
    os.makedirs(disk, exist_ok=True)
    if shutil.disk_usage(disk).free > OUTPUT_SIZE + MARGIN:
        return disk
    return None


def marks(size, seed):
    """Distinct bytes at the start, around 2 GiB and 4 GiB, and at the end."""
    places = [0, size - 4096]
    places += [boundary - 100 for boundary in (2 * GIB, 4 * GIB) if boundary < size]
    return {place: movie_bytes(4096, seed + str(place).encode()) for place in places}


class LargeMovies(ProgramTest):
    def temp_root(self):
        root = room_for_output()
        if root is None:
            self.skipTest(f"no room for a {OUTPUT_SIZE}-byte output in /dev/shm or "
                          f"{TEMP_ROOT or tempfile.gettempdir()}")
        return root

    def sparse_movie(self, name, size, seed):
        placed = marks(size, seed)
        with open(self.path(name), "wb") as file:
            file.truncate(size)
            for place, data in placed.items():
                file.seek(place)
                file.write(data)
        self.watch(name)
        return placed

    def test_movies_past_4_gib_are_joined_whole(self):
        first = self.sparse_movie("a.mve", FIRST_SIZE, b"a")
        second = self.sparse_movie("b.mve", SECOND_SIZE, b"b")
        result = self.run_program("a.mve", "b.mve", "c.mve")
        self.assertOutput(result, "Vimbrel", " a.mve -> c.mve", " b.mve -> c.mve")
        self.assertEqual(os.path.getsize(self.path("c.mve")), OUTPUT_SIZE)

        # Where each mark lands in the output, and the part of the output it
        # may fill: the first movie's closing bytes and the second's header
        # are cut off at the seam. Zeros everywhere else.
        seam = FIRST_SIZE - TRAILER
        placed = [(place, data, 0, seam) for place, data in first.items()]
        placed += [(seam + place - HEADER, data, seam, OUTPUT_SIZE)
                   for place, data in second.items()]
        centres = [place for place, *_ in placed] + [2 * GIB, 4 * GIB, seam]
        with open(self.path("c.mve"), "rb") as output:
            for centre in centres:
                start = max(centre - WINDOW, 0)
                end = min(centre + 4096 + WINDOW, OUTPUT_SIZE)
                output.seek(start)
                with self.subTest(offset=start):
                    self.assertEqual(output.read(end - start), expected(placed, start, end))

    def test_an_interrupted_join_ends_with_a_failure_status(self):
        # Ctrl-C: Windows ends a console program with 0xC000013A (Wine would
        # end it with 0, as if joined), Linux by the signal. A script that
        # deletes the inputs after a join must see the failure.
        self.sparse_movie("a.mve", FIRST_SIZE, b"a")
        self.sparse_movie("b.mve", SECOND_SIZE, b"b")
        command = [fsbytes(part) for part in [*PROGRAM, "a.mve", "b.mve", "c.mve"]]
        program = subprocess.Popen(command, cwd=self.dir, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            # Interrupted once it has begun to write, long before its end.
            while not self.exists("c.mve") and program.poll() is None:
                time.sleep(0.01)
            program.send_signal(signal.SIGINT)
            status = program.wait(timeout=TIMEOUT)
        finally:
            if program.poll() is None:
                program.kill()
                program.wait()
        self.assertEqual(status, exit_status(0xC000013A) if WINDOWS else -signal.SIGINT)
        self.assertLess(os.path.getsize(self.path("c.mve")), OUTPUT_SIZE)


def expected(placed, start, end):
    """The output bytes from start to end."""
    region = bytearray(end - start)
    for place, data, low, high in placed:
        first = max(place, low, start)
        last = min(place + len(data), high, end)
        if first < last:
            region[first - start:last - start] = data[first - place:last - place]
    return bytes(region)


if __name__ == "__main__":
    unittest.main()
