// The program as a whole on the fake operating system: what it prints, how
// it ends, and what reaches the operating system.
#include <gtest/gtest.h>

#include "fake/run_program.h"

namespace {

constexpr char kUsage[] =
    "Vimbrel\r\n"
    "\r\n"
    "This program joins two Interplay MVE movies into one.\r\n"
    "\r\n"
    " usage: vimbrel.exe movie1.mve movie2.mve movie_out.mve\r\n";

TEST(Program, AnyCountButThreePrintsTheUsageAndEndsWithZero) {
  for (const char* line : {"vimbrel.exe", "vimbrel.exe a", "vimbrel.exe a b",
                           "vimbrel.exe a b c d", "vimbrel.exe a b c d e"}) {
    SCOPED_TRACE(line);
    fake::FakeOs os;
    os.commandLine = line;
    EXPECT_EQ(fake::RunProgram(os), 0u);
    EXPECT_EQ(os.stdoutBytes, kUsage);
  }
}

}  // namespace
