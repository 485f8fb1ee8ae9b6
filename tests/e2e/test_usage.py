"""The argument count: anything but three arguments shows the usage."""

import unittest

from harness import USAGE, ProgramTest, joined


class Usage(ProgramTest):
    def test_any_count_but_three_prints_the_usage_and_touches_no_file(self):
        for arguments in ([], ["a.mve"], ["a.mve", "b.mve"], ["a.mve", "b.mve", "c.mve", "d.mve"],
                          ["a.mve", "b.mve", "c.mve", "d.mve", "e.mve"], [""], ["", "", ""]):
            with self.subTest(arguments=arguments):
                self.movie("a.mve", 1000)
                self.movie("b.mve", 1000)
                before = self.listing()
                result = self.run_program(*arguments)
                self.assertOutput(result, *USAGE)
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
