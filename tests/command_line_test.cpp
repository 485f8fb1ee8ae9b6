// Module kol's command-line grammar: separators, blank pairs, quoted
// stretches and the outer-quote rule, on texts handed in and on the fake's.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "data/tables.h"
#include "fake/run_program.h"
#include "util/command_line.h"

namespace {

// Each row: the line, its count and its arguments from 1 on.
TEST(CommandLine, TableOfLinesGivesCountAndArguments) {
  const std::vector<test_data::Row> lines = test_data::ReadTable("command_lines.txt");
  ASSERT_FALSE(lines.empty());
  for (const test_data::Row& row : lines) {
    const char* line = row.at(0).c_str();
    SCOPED_TRACE(row.at(0));
    EXPECT_EQ(kol::CountArguments(line), std::stoi(row.at(1)));
    for (std::size_t index = 1; index <= 3; ++index) {
      const std::string argument = index + 1 < row.size() ? row[index + 1] : "";
      EXPECT_EQ(kol::ArgumentAt(line, static_cast<std::int32_t>(index)), argument) << index;
    }
  }
  // Past the last argument; below 0, the program's own token, which the
  // fourth row quotes.
  EXPECT_EQ(kol::ArgumentAt(lines[0][0].c_str(), 4), "");
  EXPECT_EQ(kol::ArgumentAt(lines[3][0].c_str(), -1), "C:\\Tools\\prog.exe");
  EXPECT_EQ(kol::ArgumentAt(lines[3][0].c_str(), INT32_MIN), "C:\\Tools\\prog.exe");
}

TEST(CommandLine, ArgumentZeroIsTheModulePathWhateverTheLine) {
  fake::FakeOs os;
  fake::StartOn(os);
  for (const char* line : {"", "\"\" a b", "prog.exe a"}) {
    os.commandLine = line;
    EXPECT_EQ(kol::ArgumentAt(0), "C:\\Vimbrel\\vimbrel.exe") << line;
  }
  EXPECT_EQ(os.CountOf(fake::Call::kModuleFileName), 3);
}

TEST(CommandLine, ModulePathIsCutAsA261ByteBufferCutsIt) {
  struct {
    std::size_t length;
    std::size_t kept;
  } const cases[] = {{259, 259}, {260, 260}, {261, 260}, {400, 260}};
  for (const auto& c : cases) {
    fake::FakeOs os;
    fake::StartOn(os);
    os.modulePath = "C:\\" + std::string(c.length - 3, 'x');
    EXPECT_EQ(kol::ArgumentAt(0), os.modulePath.substr(0, c.kept)) << c.length;
  }
}

TEST(CommandLine, FailedModulePathIsEmpty) {
  fake::FakeOs os;
  fake::StartOn(os);
  os.FailNth(fake::Call::kModuleFileName, 1, 122);
  EXPECT_EQ(kol::ArgumentAt(0), "");
}

TEST(CommandLine, ProcessLineIsReadAnewAndPastTheEndStaysEmpty) {
  fake::FakeOs os;
  fake::StartOn(os);
  os.commandLine = "vimbrel.exe a.mve \"b c.mve\"";
  EXPECT_EQ(kol::CountArguments(), 2);
  EXPECT_EQ(kol::ArgumentAt(2), "b c.mve");
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(kol::ArgumentAt(3), "");
    EXPECT_EQ(kol::ArgumentAt(1000), "");
  }
  EXPECT_EQ(os.commandLine, "vimbrel.exe a.mve \"b c.mve\"");
  os.commandLine = "vimbrel.exe x y z";
  EXPECT_EQ(kol::CountArguments(), 3);
  EXPECT_EQ(kol::ArgumentAt(3), "z");
}

}  // namespace
