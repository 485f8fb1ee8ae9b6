// The line written for arguments handed over one by one, as POSIX hands
// them: what the grammar splits back out of it, and when it cannot.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/command_line.h"

namespace {

TEST(CommandLineFor, QuotesWhatTheGrammarWouldSplit) {
  struct {
    std::vector<std::string> argv;
    const char* line;
    bool exact;  // the grammar gives back every non-empty element
  } const cases[] = {
      {{"vimbrel"}, "vimbrel", true},
      {{"/usr/bin/vimbrel", "a.mve", "b.mve", "c.mve"}, "/usr/bin/vimbrel a.mve b.mve c.mve", true},
      {{"v", "My Movie.mve", "", "tab\there"}, "v \"My Movie.mve\" \"\" \"tab\there\"", true},
      {{"v", "\x01", "\xE9\x7F!"}, "v \"\x01\" \xE9\x7F!", true},
      {{"v", "say \"hi\" now.mve", "a\"b\"c.mve"}, "v \"say \"hi\" now.mve\" a\"b\"c.mve", true},
      // An odd number of quotes: the stretch runs into the next element,
      // unless the line ends there.
      {{"v", "x\"1.mve", "y\"2.mve", "out.mve"}, "v x\"1.mve y\"2.mve out.mve", false},
      {{"v", "a.mve", "b.mve", "\"out.mve"}, "v a.mve b.mve \"out.mve", true},
      {{"v", "a.mve", "b c\"", ""}, "v a.mve \"b c\"\" \"\"", false},
      // A leading pair of quotes is skipped as a blank pair.
      {{"v", "a.mve", "b.mve", "\"\"out6.mve"}, "v a.mve b.mve \"\"out6.mve", false},
      {{"v", "\"\"z.mve", "b.mve", "q.mve"}, "v \"\"z.mve b.mve q.mve", false},
      {{"v", "\"a b\"c.mve"}, "v \"\"a b\"c.mve\"", false},
      // Outer quotes are taken away.
      {{"v", "\"x.mve\"", "b.mve", "c.mve"}, "v \"x.mve\" b.mve c.mve", false},
      // A separator outside the quoted stretches ends the token.
      {{"v", "a\"b c\"d"}, "v \"a\"b c\"d\"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string line = kol::CommandLineFor(c.argv);
    EXPECT_EQ(line, c.line);
    EXPECT_EQ(kol::SplitsBackInto(line.c_str(), c.argv), c.exact);
  }
  const std::string line =
      kol::CommandLineFor({"/opt/my tools/vimbrel", "My Movie.mve", "", "b.mve", "out dir/c.mve"});
  EXPECT_EQ(kol::CountArguments(line.c_str()), 3);
  EXPECT_EQ(kol::ArgumentAt(line.c_str(), 1), "My Movie.mve");
  EXPECT_EQ(kol::ArgumentAt(line.c_str(), 2), "b.mve");
  EXPECT_EQ(kol::ArgumentAt(line.c_str(), 3), "out dir/c.mve");
}

}  // namespace
