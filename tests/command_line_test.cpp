// Module kol's command-line grammar: separators, blank pairs, quoted
// stretches and the outer-quote rule, on texts handed in and on the fake's.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "fake/run_program.h"
#include "util/command_line.h"

namespace {

struct LineCase {
  std::string line;
  std::int32_t count;
  std::string arguments[3];  // 1 to 3; empty past the last
};

// \t is a tab, \" a double quote; hex escapes are split where a hex digit
// follows.
const LineCase kLines[] = {
    {"prog.exe a.mve b.mve out.mve", 3, {"a.mve", "b.mve", "out.mve"}},
    {"prog.exe\ta.mve\t\tb.mve out.mve", 3, {"a.mve", "b.mve", "out.mve"}},
    {"   prog.exe   a.mve   ", 1, {"a.mve"}},
    {"\"C:\\Tools\\prog.exe\" \"My Movie 1.mve\" b.mve out.mve", 3,
     {"My Movie 1.mve", "b.mve", "out.mve"}},
    {"prog.exe a.mve \"\" b.mve out.mve", 3, {"a.mve", "b.mve", "out.mve"}},
    {"prog.exe \"\"\"\" a.mve", 1, {"a.mve"}},
    {"prog.exe \"\" \"\" x", 1, {"x"}},
    {"prog.exe \"\"", 0, {}},
    {"prog.exe C:\\\"My Movies\"\\a.mve b.mve", 2, {"C:\\\"My Movies\"\\a.mve", "b.mve"}},
    {"prog.exe a\"b c\"d", 1, {"a\"b c\"d"}},
    {"prog.exe \"a b\"c d", 2, {"\"a b\"c", "d"}},
    {"prog.exe \"a\"b\"c\" x", 2, {"a\"b\"c", "x"}},
    {"prog.exe \"\"\"a\"\"\" b", 2, {"a\"\"", "b"}},
    {"prog.exe \"\"\" x", 1, {"\" x"}},
    {"prog.exe a.mve b.mve \"out file.mve", 3, {"a.mve", "b.mve", "\"out file.mve"}},
    {"prog.exe a.mve b.mve \"", 3, {"a.mve", "b.mve", "\""}},
    {"prog.exe \xE9t\xE9.mve b\x7F.mve", 2, {"\xE9t\xE9.mve", "b\x7F.mve"}},
    {"prog.exe a\x01" "b", 2, {"a", "b"}},
    {"", 0, {}},
    {"\"\" a b", 1, {"b"}},
};

TEST(CommandLine, TableOfLinesGivesCountAndArguments) {
  for (const LineCase& c : kLines) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(kol::CountArguments(c.line.c_str()), c.count);
    for (std::int32_t index = 1; index <= 3; ++index) {
      EXPECT_EQ(kol::ArgumentAt(c.line.c_str(), index), c.arguments[index - 1]) << index;
    }
  }
  EXPECT_EQ(kol::ArgumentAt(kLines[0].line.c_str(), 4), "");
  EXPECT_EQ(kol::ArgumentAt(kLines[3].line.c_str(), -1), "C:\\Tools\\prog.exe");
  EXPECT_EQ(kol::ArgumentAt(kLines[3].line.c_str(), INT32_MIN), "C:\\Tools\\prog.exe");
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
