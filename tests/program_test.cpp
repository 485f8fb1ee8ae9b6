// The program as a whole on the fake operating system: what it prints, how
// it ends, and what reaches the operating system.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "data/tables.h"
#include "fake/run_program.h"

namespace {

// The line on standard error after a count other than three, as the fake
// system receives it.
std::string WrongCount(int count) {
  const std::string said =
      test_data::ErrorText("wrong_count", {{"count", std::to_string(count)}});
  return test_data::ErrorText("line", {{"said", said}}) + "\r\n";
}

// Status 0 only when the usage was asked for: nothing after the program's
// name, or a single request for help.
TEST(Program, AnyCountButThreePrintsTheUsage) {
  struct {
    const char* line;
    std::uint32_t status;
    std::string stderrText;
  } const cases[] = {
      {"vimbrel.exe", 0, ""},
      {"vimbrel.exe \t ", 0, ""},
      {"vimbrel.exe /?", 0, ""},
      {"vimbrel.exe -?", 0, ""},
      {"vimbrel.exe -h", 0, ""},
      {"vimbrel.exe \"--help\"", 0, ""},
      {"vimbrel.exe a", 160, WrongCount(1)},
      {"vimbrel.exe a b", 160, WrongCount(2)},
      {"vimbrel.exe a b c d", 160, WrongCount(4)},
      {"vimbrel.exe a b c d e", 160, WrongCount(5)},
      {"vimbrel.exe --help x", 160, WrongCount(2)},
      {"vimbrel.exe -H", 160, WrongCount(1)},
      // Arguments the command-line rules drop were typed all the same.
      {"vimbrel.exe \"\"", 160, WrongCount(0)},
      {"vimbrel.exe \"\" \"\" \"\"", 160, WrongCount(0)},
      {"vimbrel.exe -h \"\"", 160, WrongCount(1)},
      {"vimbrel.exe --version \"\"", 160, WrongCount(1)},
      {"vimbrel.exe \"\"--help", 160, WrongCount(1)},
  };
  const std::string usage = test_data::UsageText();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    fake::FakeOs os;
    os.commandLine = c.line;
    EXPECT_EQ(fake::RunProgram(os), c.status);
    EXPECT_EQ(os.stdoutBytes, usage);
    EXPECT_EQ(os.stderrBytes, c.stderrText);
  }
}

}  // namespace
