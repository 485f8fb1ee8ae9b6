#!/usr/bin/env python3
"""Join test movies with vimbrel and check the result with a real player.

    VIMBREL=build/vimbrel tests/e2e/player_check.py [-v] [unittest names]
    tests/e2e/player_check.py build/vimbrel [-v] [unittest names]

Each case writes two movies with tools/make_mve.py, runs `vimbrel a.mve b.mve
out.mve`, and checks that out.mve holds exactly the first movie less its closing
16 bytes followed by the second after its 26-byte header; then that ffmpeg decodes
it without a word, ffprobe counts the frames of both, and the decoded pixels are
the first movie's frames followed by the second's. The player checks report
themselves skipped when ffmpeg or ffprobe is not installed.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tools"))
import make_mve  # noqa: E402

CLOSING_BYTES = 16
HEADER_BYTES = 26
COPY_BLOCK = 100_000  # vimbrel copies in blocks of this size
HAVE_PLAYER = bool(shutil.which("ffmpeg") and shutil.which("ffprobe"))
NEED_PLAYER = unittest.skipUnless(HAVE_PLAYER, "ffmpeg/ffprobe not installed")

# Program under test; main() takes it from argv when the environment lacks it.
vimbrel = os.environ.get("VIMBREL")


def sample(name):
    return ROOT / "samples" / name


# (name, first movie, second movie): make_mve.make_movie() arguments or a file.
JOIN_CASES = [
    ("silent, mixed codings", dict(frames=3, seed=1), dict(frames=2, seed=2)),
    ("8-bit audio", dict(frames=4, seed=3, audio="u8"), dict(frames=3, seed=4, audio="u8")),
    ("16-bit audio, raw blocks", dict(frames=2, seed=5, audio="s16", coding="raw"),
     dict(frames=2, seed=6, audio="s16", coding="4x4")),
    ("frame size changes", dict(frames=3, seed=7), dict(frames=3, seed=8, width=32, height=16)),
    ("one-frame movies", dict(frames=1, seed=9), dict(frames=1, seed=10)),
    ("samples", sample("intro.mve"), sample("outro.mve")),
    ("first movie ends two copy blocks in",
     dict(frames=5, seed=11, size=2 * COPY_BLOCK + CLOSING_BYTES), dict(frames=2, seed=12)),
] + [
    # The first phase copies size-16 bytes and the second size-26: put both
    # right at, one short of and one past a copy block.
    (f"copy block {da:+d}/{db:+d}",
     dict(frames=3, seed=13, audio="s16", size=COPY_BLOCK + CLOSING_BYTES + da),
     dict(frames=3, seed=14, audio="s16", coding="raw", size=COPY_BLOCK + HEADER_BYTES + db))
    for da in (-1, 0, 1) for db in (-1, 0, 1)
]


def run(args, cwd=None, timeout=120):
    return subprocess.run(args, cwd=cwd, capture_output=True, timeout=timeout)


def movie_bytes(source):
    return source.read_bytes() if isinstance(source, Path) else make_mve.make_movie(**source)


def count_frames(path):
    out = run(["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
               "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", str(path)])
    if out.returncode or out.stderr:
        raise AssertionError(f"ffprobe failed on {path}: {out.stderr.decode(errors='replace')}")
    return int(out.stdout)


def decode_errors(path):
    """What ffmpeg says while decoding the whole movie; empty when all is well."""
    out = run(["ffmpeg", "-nostdin", "-v", "error", "-i", str(path), "-f", "null", "-"])
    return (out.stdout + out.stderr).decode(errors="replace") + (
        f"(exit {out.returncode})" if out.returncode else "")


def decode_rgb(path):
    # -autoscale 0 keeps each frame at its own size when the size changes mid-movie;
    # -vsync passthrough writes each decoded frame once, never duplicated to fill time.
    out = run(["ffmpeg", "-nostdin", "-v", "error", "-i", str(path), "-autoscale", "0",
               "-vsync", "passthrough", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"])
    if out.returncode or out.stderr:
        raise AssertionError(f"ffmpeg failed on {path}: {out.stderr.decode(errors='replace')}")
    return out.stdout


class JoinTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not vimbrel:
            raise RuntimeError("no program to test: set VIMBREL or pass the path of vimbrel "
                               "as the first argument")
        cls.program = str(Path(vimbrel).resolve())
        if not os.access(cls.program, os.X_OK):
            raise RuntimeError(f"{vimbrel} is not an executable program")
        cls.tmp = tempfile.TemporaryDirectory(prefix="vimbrel-e2e-")
        cls.movies = {name: (movie_bytes(a), movie_bytes(b)) for name, a, b in JOIN_CASES}

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def join(self, name):
        """Write the case's movies into a folder of their own, join them, return the folder."""
        folder = Path(self.tmp.name) / name.replace(" ", "_").replace("/", "_")
        folder.mkdir(exist_ok=True)
        first, second = self.movies[name]
        (folder / "a.mve").write_bytes(first)
        (folder / "b.mve").write_bytes(second)
        out = run([self.program, "a.mve", "b.mve", "out.mve"], cwd=folder, timeout=60)
        self.assertEqual(out.returncode, 0, f"vimbrel failed:\n{out.stdout.decode(errors='replace')}"
                                            f"{out.stderr.decode(errors='replace')}")
        return folder

    def test_join_holds_both_movies_exactly(self):
        for name, _, _ in JOIN_CASES:
            with self.subTest(name):
                first, second = self.movies[name]
                joined = (self.join(name) / "out.mve").read_bytes()
                self.assertEqual(len(joined), len(first) - CLOSING_BYTES + len(second) - HEADER_BYTES)
                self.assertTrue(joined == first[:-CLOSING_BYTES] + second[HEADER_BYTES:],
                                "joined bytes differ from first[:-16] + second[26:]")

    @NEED_PLAYER
    def test_player_shows_both_movies(self):
        for name, _, _ in JOIN_CASES:
            with self.subTest(name):
                folder = self.join(name)
                a, b, out = folder / "a.mve", folder / "b.mve", folder / "out.mve"
                errors = decode_errors(out)
                self.assertFalse(errors, f"ffmpeg reported:\n{errors}")
                self.assertEqual(count_frames(out), count_frames(a) + count_frames(b))
                self.assertTrue(decode_rgb(out) == decode_rgb(a) + decode_rgb(b),
                                "decoded frames differ from the first movie's then the second's")


# Movies the generator must get right for the join checks to mean anything.
GENERATOR_CASES = [
    dict(frames=3, seed=0),
    dict(frames=3, seed=1, coding="raw", audio="u8", rate=11025),
    dict(frames=2, seed=2, coding="2x2", audio="s16"),
    dict(frames=2, seed=3, coding="4x4", width=24, height=24),  # odd number of blocks
    dict(frames=4, seed=4, width=8, height=8, size=70_000),
]


@NEED_PLAYER
class GeneratorTest(unittest.TestCase):
    def test_player_shows_the_expected_frames(self):
        with tempfile.TemporaryDirectory(prefix="make-mve-") as tmp:
            for case in GENERATOR_CASES:
                with self.subTest(**case):
                    path = Path(tmp) / "m.mve"
                    path.write_bytes(make_mve.make_movie(**case))
                    errors = decode_errors(path)
                    self.assertFalse(errors, f"ffmpeg reported:\n{errors}")
                    self.assertEqual(count_frames(path), case["frames"])
                    shape = {k: case[k] for k in ("frames", "width", "height", "seed", "coding")
                             if k in case}
                    frames = make_mve.expected_rgb(**shape)
                    self.assertTrue(decode_rgb(path) == frames, "decoded frames differ")
                    step = len(frames) // case["frames"]
                    shown = [frames[i:i + step] for i in range(0, len(frames), step)]
                    self.assertTrue(all(p != q for p, q in zip(shown, shown[1:])),
                                    "two frames in a row are the same")


class GeneratorSizeTest(unittest.TestCase):
    def test_size(self):
        natural = len(make_mve.make_movie(frames=2))
        for size, ok in [(natural, True), (natural + 4, True), (natural + 65535, True),
                         (natural - 1, False), (natural + 1, False), (natural + 3, False),
                         (natural + 2 * 65535, False)]:
            with self.subTest(size=size - natural):
                if ok:
                    self.assertEqual(len(make_mve.make_movie(frames=2, size=size)), size)
                else:
                    self.assertRaises(make_mve.MovieError, make_mve.make_movie, frames=2, size=size)

    def test_seeds_differ(self):
        self.assertNotEqual(make_mve.expected_rgb(seed=1), make_mve.expected_rgb(seed=2))


def main():
    global vimbrel
    args = sys.argv[1:]
    if not vimbrel and args and not args[0].startswith("-"):
        vimbrel = args.pop(0)
    unittest.main(argv=[sys.argv[0]] + args)


if __name__ == "__main__":
    main()
