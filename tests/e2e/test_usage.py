"""The argument count: anything but three arguments shows the usage, or the
version when only that was asked for."""

import unittest

from harness import USAGE, VERSION, ProgramTest, joined, wrong_count


WRONG_COUNT = 160


class Usage(ProgramTest):
    def test_any_count_but_three_prints_the_usage_and_touches_no_file(self):
        # Status 0 only when the usage was asked for; the count the line on
        # standard error gives for anything else.
        for arguments, count in (([], None), (["/?"], None), (["-?"], None), (["-h"], None),
                                 (["--help"], None), (["a.mve"], 1), (["a.mve", "b.mve"], 2),
                                 (["a.mve", "b.mve", "c.mve", "d.mve"], 4),
                                 (["a.mve", "b.mve", "c.mve", "d.mve", "e.mve"], 5),
                                 (["--help", "a.mve"], 2), ([""], 0), (["", "", ""], 0),
                                 (["--version"], None), (["--version", "a.mve"], 2),
                                 # A dropped empty argument was passed all the same.
                                 (["-h", ""], 1), (["", "--help"], 1), (["--version", ""], 1)):
            with self.subTest(arguments=arguments):
                self.movie("a.mve", 1000)
                self.movie("b.mve", 1000)
                before = self.listing()
                result = self.run_program(*arguments)
                if count is None:
                    self.assertOutput(result, *(VERSION if arguments == ["--version"] else USAGE))
                else:
                    self.assertOutput(
                        result, *USAGE, status=WRONG_COUNT,
                        stderr=wrong_count(count))
                self.assertEqual(self.listing(), before)

    def test_an_empty_argument_is_no_argument(self):
        # a.mve "" b.mve c.mve: the empty quoted pair vanishes, so three remain.
        first = self.movie("a.mve", 1000)
        second = self.movie("b.mve", 1000)
        result = self.run_program("a.mve", "", "b.mve", "c.mve")
        self.assertOutput(result, "Vimbrel", " a.mve -> c.mve", " b.mve -> c.mve")
        self.assertEqual(self.read("c.mve"), joined(first, second))


if __name__ == "__main__":
    unittest.main()
