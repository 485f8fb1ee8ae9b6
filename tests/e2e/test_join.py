"""Joins that succeed: the bytes written and the lines printed."""

import unittest

from harness import CHUNK, HEADER, TRAILER, ProgramTest, joined, linux_only

# Around the closing bytes, the header and the chunk size.
FIRST_SIZES = [0, TRAILER, TRAILER + 1, CHUNK + TRAILER, CHUNK + TRAILER + 1,
               2 * CHUNK + TRAILER + 17]
SECOND_SIZES = [0, HEADER, HEADER + 1, CHUNK + HEADER, CHUNK + HEADER + 1]


class Join(ProgramTest):
    def test_boundary_sizes(self):
        for first_size in FIRST_SIZES:
            for second_size in SECOND_SIZES:
                with self.subTest(first=first_size, second=second_size):
                    first = self.movie("a.mve", first_size)
                    second = self.movie("b.mve", second_size)
                    result = self.run_program("a.mve", "b.mve", "c.mve")
                    self.assertOutput(result, "Vimbrel", " a.mve -> c.mve", " b.mve -> c.mve")
                    self.assertEqual(self.read("c.mve"), joined(first, second))

    def test_a_longer_existing_output_is_truncated(self):
        first = self.movie("a.mve", 5000)
        second = self.movie("b.mve", 3000)
        self.write("c.mve", b"\xAA" * (3 * CHUNK))
        result = self.run_program("a.mve", "b.mve", "c.mve")
        self.assertOutput(result, "Vimbrel", " a.mve -> c.mve", " b.mve -> c.mve")
        self.assertEqual(self.read("c.mve"), joined(first, second))

    def test_a_movie_joined_with_itself(self):
        movie = self.movie("a.mve", CHUNK + 500)
        result = self.run_program("a.mve", "a.mve", "c.mve")
        self.assertOutput(result, "Vimbrel", " a.mve -> c.mve", " a.mve -> c.mve")
        self.assertEqual(self.read("c.mve"), joined(movie, movie))

    def test_progress_lines_name_each_input_by_its_name_part_and_the_output_in_full(self):
        # Only ':' and '\' end a folder part. On Windows 'sub\b.mve' is a file in
        # a folder; on Linux it is one name holding a backslash. Either way the
        # line shows b.mve, and a name after '/' keeps its folder.
        self.folder("sub")
        self.folder("out")
        first = self.movie("sub/a.mve", 400)
        second = self.movie("sub\\b.mve", 300)
        result = self.run_program("sub/a.mve", "sub\\b.mve", "out/c.mve")
        self.assertOutput(result, "Vimbrel", " sub/a.mve -> out/c.mve", " b.mve -> out/c.mve")
        self.assertEqual(self.read("out/c.mve"), joined(first, second))

    @linux_only("a colon is a drive or stream separator on Windows")
    def test_a_colon_ends_a_folder_part(self):
        first = self.movie("x:a.mve", 400)
        second = self.movie("b.mve", 300)
        result = self.run_program("x:a.mve", "b.mve", "y:c.mve")
        self.assertOutput(result, "Vimbrel", " a.mve -> y:c.mve", " b.mve -> y:c.mve")
        self.assertEqual(self.read("y:c.mve"), joined(first, second))


if __name__ == "__main__":
    unittest.main()
