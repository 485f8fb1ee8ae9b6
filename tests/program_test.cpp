// The program as a whole on the fake operating system: what it prints, how
// it ends, and what reaches the operating system.
#include <gtest/gtest.h>

#include <cstdint>

#include "fake/run_program.h"

namespace {

constexpr char kUsage[] =
    "Vimbrel\r\n"
    "\r\n"
    "This program joins two Interplay MVE movies into one.\r\n"
    "\r\n"
    " usage: vimbrel.exe movie1.mve movie2.mve movie_out.mve\r\n";

// Status 0 only when the usage was asked for: nothing after the program's
// name, or a single request for help.
TEST(Program, AnyCountButThreePrintsTheUsage) {
  struct {
    const char* line;
    std::uint32_t status;
    const char* stderrText;
  } const cases[] = {
      {"vimbrel.exe", 0, ""},
      {"vimbrel.exe \t ", 0, ""},
      {"vimbrel.exe /?", 0, ""},
      {"vimbrel.exe -?", 0, ""},
      {"vimbrel.exe -h", 0, ""},
      {"vimbrel.exe \"--help\"", 0, ""},
      {"vimbrel.exe a", 160, "vimbrel: expected 3 arguments, got 1 (see the usage above)\r\n"},
      {"vimbrel.exe a b", 160, "vimbrel: expected 3 arguments, got 2 (see the usage above)\r\n"},
      {"vimbrel.exe a b c d", 160,
       "vimbrel: expected 3 arguments, got 4 (see the usage above)\r\n"},
      {"vimbrel.exe a b c d e", 160,
       "vimbrel: expected 3 arguments, got 5 (see the usage above)\r\n"},
      {"vimbrel.exe --help x", 160,
       "vimbrel: expected 3 arguments, got 2 (see the usage above)\r\n"},
      {"vimbrel.exe -H", 160, "vimbrel: expected 3 arguments, got 1 (see the usage above)\r\n"},
      // Arguments the command-line rules drop were typed all the same.
      {"vimbrel.exe \"\"", 160, "vimbrel: expected 3 arguments, got 0 (see the usage above)\r\n"},
      {"vimbrel.exe \"\" \"\" \"\"", 160,
       "vimbrel: expected 3 arguments, got 0 (see the usage above)\r\n"},
      {"vimbrel.exe -h \"\"", 160,
       "vimbrel: expected 3 arguments, got 1 (see the usage above)\r\n"},
      {"vimbrel.exe --version \"\"", 160,
       "vimbrel: expected 3 arguments, got 1 (see the usage above)\r\n"},
      {"vimbrel.exe \"\"--help", 160,
       "vimbrel: expected 3 arguments, got 1 (see the usage above)\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    fake::FakeOs os;
    os.commandLine = c.line;
    EXPECT_EQ(fake::RunProgram(os), c.status);
    EXPECT_EQ(os.stdoutBytes, kUsage);
    EXPECT_EQ(os.stderrBytes, c.stderrText);
  }
}

}  // namespace
