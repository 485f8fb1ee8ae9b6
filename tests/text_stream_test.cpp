// The standard-output stream: what reaches the operating system and when,
// its failures, and the program end with its run-time error message.
#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>
#include <vector>

#include "fake/run_program.h"
#include "runtime/io_result.h"
#include "runtime/program_end.h"
#include "runtime/text_stream.h"

namespace {

using namespace runtime;
using Sizes = std::vector<std::uint32_t>;
using platform::FileType;

// The byte counts of the writes on standard output so far, of bytes or, to
// a console, of text.
Sizes StdoutWrites(const fake::FakeOs& os, fake::Call call = fake::Call::kWrite) {
  Sizes sizes;
  for (const fake::CallRecord& r : os.CallsOf(call)) {
    if (r.path == "<stdout>") sizes.push_back(r.count);
  }
  return sizes;
}

std::uint32_t End() {
  try {
    EndProgram();
  } catch (const fake::ProcessExit& exit) {
    return exit.status;
  }
}

void PutLine(const std::string& text) {
  PutText(OutputStream, text);
  EndLine(OutputStream);
}

TEST(TextStream, ConsoleGetsEachLineAtItsEnd) {
  // A console gets text, NUL (a character device too) the bytes.
  for (bool console : {true, false}) {
    SCOPED_TRACE(console ? "console" : "NUL");
    fake::FakeOs os;
    os.stdoutConsole = console;
    fake::StartOn(os);
    const fake::Call call = console ? fake::Call::kWriteConsole : fake::Call::kWrite;
    PutText(OutputStream, "first");
    EXPECT_EQ(StdoutWrites(os, call), Sizes{});
    EndLine(OutputStream);
    EXPECT_EQ(StdoutWrites(os, call), (Sizes{7}));
    PutLine(std::string(200, 'x'));
    EXPECT_EQ(StdoutWrites(os, call), (Sizes{7, 128, 74}));
    EXPECT_EQ(End(), 0u);
    EXPECT_EQ(StdoutWrites(os, call), (Sizes{7, 128, 74}));
    EXPECT_EQ(os.CountOf(console ? fake::Call::kWrite : fake::Call::kWriteConsole), 0);
    EXPECT_EQ(os.stdoutBytes, "first\r\n" + std::string(200, 'x') + "\r\n");
  }
}

TEST(TextStream, ShortConsoleWriteCountsAsDone) {
  fake::FakeOs os;
  fake::StartOn(os);
  os.ShortenNth(fake::Call::kWrite, 1, 3);
  PutLine("abcdef");
  EXPECT_EQ(PendingIoResult, 0u);
  EXPECT_EQ(os.stdoutBytes, "abc");
}

TEST(TextStream, FileAndPipeGetWholeBuffersThenTheRestAtTheEnd) {
  for (FileType type : {FileType::kDisk, FileType::kPipe}) {
    fake::FakeOs os;
    os.stdoutType = type;
    fake::StartOn(os);
    std::string expected;
    for (char c = 'a'; c < 'f'; ++c) {  // five lines of 61 bytes
      PutLine(std::string(59, c));
      expected += std::string(59, c) + "\r\n";
    }
    EXPECT_EQ(StdoutWrites(os), (Sizes{128, 128}));
    EXPECT_EQ(End(), 0u);
    EXPECT_EQ(StdoutWrites(os), (Sizes{128, 128, 49}));
    EXPECT_EQ(os.stdoutBytes, expected);
  }
}

// Code page 932's: a trail byte may look like one.
platform::CharacterRule ShiftJisRule() {
  platform::CharacterRule rule;
  for (unsigned byte = 0x81; byte <= 0xFC; ++byte) {
    rule.leadBytes[byte] = byte <= 0x9F || byte >= 0xE0;
  }
  return rule;
}

TEST(TextStream, TextsAroundTheBufferSize) {
  struct {
    std::size_t length;  // of x's, then the character
    const char* character;
    bool endLine;
    bool console;
    Sizes atOnce;
    Sizes atEnd;
    bool shiftJis = false;  // the program's code page is 932, not UTF-8
  } const cases[] = {
      {127, "", false, false, {}, {127}},
      {128, "", false, false, {128}, {128}},
      {129, "", false, false, {128}, {128, 1}},
      {256, "", false, false, {128, 128}, {128, 128}},
      {126, "", true, false, {128}, {128}},  // a line whose CR LF ends at byte 128
      // A character that the buffer's end cuts goes to a console whole, in
      // the next write; a file gets the bytes as they come.
      {127, "\xC3\xA9", false, false, {128}, {128, 1}},
      {127, "\xC3\xA9", false, true, {127}, {127, 2}},
      {126, "\xE6\x97\xA5", false, true, {126}, {126, 3}},
      {125, "\xF0\x9F\x98\x80", false, true, {125}, {125, 4}},
      {124, "\xF0\x9F\x98\x80", false, true, {128}, {128}},
      // Half a character at the very end still goes out.
      {127, "\xC3", false, true, {127}, {127, 1}},
      // In code page 932, a character cut after its lead byte waits for its
      // trail byte, on either parity; 0xFA trails here, though it can lead.
      {127, "\x93\xFA", false, true, {127}, {127, 2}, true},
      {125, "\x93\xFA\x93\xFA", false, true, {127}, {127, 2}, true},
      {126, "\x93\xFA", false, true, {128}, {128}, true},
  };
  for (const auto& c : cases) {
    fake::FakeOs os;
    os.stdoutType = c.console ? FileType::kChar : FileType::kDisk;
    os.stdoutConsole = c.console;
    if (c.shiftJis) os.characters = ShiftJisRule();
    fake::StartOn(os);
    const fake::Call call = c.console ? fake::Call::kWriteConsole : fake::Call::kWrite;
    const std::string text = std::string(c.length, 'x') + c.character;
    PutText(OutputStream, text);
    if (c.endLine) EndLine(OutputStream);
    EXPECT_EQ(StdoutWrites(os, call), c.atOnce) << text;
    EXPECT_EQ(End(), 0u);
    EXPECT_EQ(StdoutWrites(os, call), c.atEnd) << text;
    EXPECT_EQ(os.stdoutBytes, c.endLine ? text + "\r\n" : text);
  }
}

TEST(TextStream, PutCharFillsTheBufferAndWritesItOnlyWhenAnotherComes) {
  fake::FakeOs os;
  os.stdoutType = FileType::kDisk;
  fake::StartOn(os);
  PutText(OutputStream, std::string(127, 'x'));
  PutChar(OutputStream, 'y');
  EXPECT_EQ(StdoutWrites(os), Sizes{});
  PutChar(OutputStream, 'z');
  EXPECT_EQ(StdoutWrites(os), (Sizes{128}));
  EXPECT_EQ(End(), 0u);
  EXPECT_EQ(os.stdoutBytes, std::string(127, 'x') + "yz");
}

TEST(TextStream, EmptyTextOpensTheStreamOnce) {
  fake::FakeOs os;
  fake::StartOn(os);
  PutText(OutputStream, "");
  EXPECT_EQ(OutputStream.state, OpenMode::kOutput);
  PutTerminatedText(OutputStream, nullptr);
  EXPECT_EQ(os.CountOf(fake::Call::kStandardHandle), 1);
  EXPECT_EQ(StdoutWrites(os), Sizes{});
  EXPECT_EQ(PendingIoResult, 0u);
}

TEST(TextStream, UnusableStandardOutputRecords105Then103AndPrintsNothing) {
  for (bool missing : {true, false}) {
    SCOPED_TRACE(missing ? "missing" : "unknown device type");
    fake::FakeOs os;
    os.stdoutMissing = missing;
    os.stdoutType = FileType::kUnknown;
    fake::StartOn(os);
    PutText(OutputStream, "x");
    EXPECT_EQ(PendingIoResult, 105u);
    EXPECT_NE(OutputStream.state, OpenMode::kOutput);
    // The handle is the process's, whatever its type: it stays open.
    EXPECT_EQ(os.CountOf(fake::Call::kClose), 0);
    EndLine(OutputStream);
    EXPECT_EQ(PendingIoResult, 103u);

    fake::FakeOs run;
    run.stdoutMissing = missing;
    run.stdoutType = FileType::kUnknown;
    EXPECT_EQ(fake::RunProgram(run), 103u);
    EXPECT_EQ(run.CountOf(fake::Call::kWrite), 0);
    EXPECT_EQ(run.CountOf(fake::Call::kClose), 0);
    EXPECT_EQ(run.stderrBytes,
              "vimbrel: cannot write to standard output: it is not open (error 103)\r\n");
  }
}

TEST(TextStream, FailedConsoleWriteEndsWithItsCodeAndTheMessageLast) {
  struct {
    int failedWrite;
    std::uint32_t code;
    const char* printed;  // the message's location left out
    bool console;
    std::uintptr_t moduleBase;  // 0: it cannot be told
  } const cases[] = {
      {1, 112, "Runtime error 112 at ", false, 0x400000},
      {2, 109, "Vimbrel\r\nRuntime error 109 at ", false, 0x400000},
      {2, 6, "Vimbrel\r\nRuntime error   6 at ", true, 0x400000},
      {2, 109, "Vimbrel\r\nRuntime error 109 at ", false, 0},
  };
  for (const auto& c : cases) {
    fake::FakeOs os;
    os.commandLine = "vimbrel.exe";
    os.stdoutConsole = c.console;
    os.moduleBase = c.moduleBase;
    os.FailNth(c.console ? fake::Call::kWriteConsole : fake::Call::kWrite, c.failedWrite, c.code);
    EXPECT_EQ(fake::RunProgram(os), c.code);
    std::smatch location;
    EXPECT_TRUE(std::regex_match(os.stdoutBytes, location,
                                 std::regex(std::string(c.printed) + "([0-9A-F]{8})\r\n")))
        << os.stdoutBytes;
    // The failed check's address less the base of the module that holds it.
    ASSERT_NE(os.moduleBaseAskedFor, 0u);
    const auto relative = static_cast<std::uint32_t>(os.moduleBaseAskedFor - c.moduleBase);
    EXPECT_EQ(location.size() == 2 ? location[1].str() : "",
              RuntimeErrorMessage(c.code, relative).substr(21));
    EXPECT_EQ(os.stderrBytes, "vimbrel: cannot write to standard output: words for " +
                                  std::to_string(c.code) + " (error " + std::to_string(c.code) +
                                  ")\r\n");
  }
}

fake::FakeOs FailingOpenRun(int n) {
  fake::FakeOs os;
  os.stdoutType = FileType::kDisk;
  os.commandLine = "vimbrel.exe a b c";
  os.AddFile("a", "");
  os.AddFile("b", "");
  os.FailNth(fake::Call::kOpenFile, n, 5);
  return os;
}

// The location of the check that caught a failed open of input n.
std::string LocationOfFailedOpen(int n) {
  fake::FakeOs os = FailingOpenRun(n);
  EXPECT_EQ(fake::RunProgram(os), 5u);
  std::smatch match;
  EXPECT_TRUE(std::regex_match(
      os.stdoutBytes, match, std::regex("Vimbrel\r\nRuntime error   5 at ([0-9A-F]{8})\r\n")))
      << os.stdoutBytes;
  // Written at the end in one piece, after all earlier output.
  EXPECT_EQ(StdoutWrites(os), (Sizes{static_cast<std::uint32_t>(os.stdoutBytes.size())}));
  EXPECT_EQ(os.stderrBytes, std::string("vimbrel: cannot open `") + (n == 1 ? "a" : "b") +
                                "': words for 5 (error 5)\r\n");
  return match.size() == 2 ? match[1].str() : "";
}

TEST(TextStream, EachCheckSiteHasItsOwnStableLocation) {
  EXPECT_EQ(LocationOfFailedOpen(1), LocationOfFailedOpen(1));
  EXPECT_NE(LocationOfFailedOpen(1), LocationOfFailedOpen(2));
}

TEST(TextStream, FailedFinalFlushLeavesTheErrorStatus) {
  fake::FakeOs os = FailingOpenRun(1);
  os.FailNth(fake::Call::kWrite, 1, 112);
  EXPECT_EQ(fake::RunProgram(os), 5u);
  EXPECT_EQ(StdoutWrites(os).size(), 1u);
  // The line says the failure that ended the run, not the later one.
  EXPECT_EQ(os.stderrBytes, "vimbrel: cannot open `a': words for 5 (error 5)\r\n");
}

TEST(TextStream, RuntimeErrorMessageLayout) {
  struct {
    std::uint32_t code;
    std::uint32_t location;
    const char* message;
  } const cases[] = {
      {2, 0xABC, "Runtime error   2 at 00000ABC"},
      {10, 0, "Runtime error  10 at 00000000"},
      {103, 0xDEADBEEF, "Runtime error 103 at DEADBEEF"},
      {1224, 0x10, "Runtime error1224 at 00000010"},
      {65535, 0x1A2B3C4D, "Runtime erro65535 at 1A2B3C4D"},
      {4294967295u, 0xFFFFFFFF, "Runtime4294967295 at FFFFFFFF"},
  };
  for (const auto& c : cases) EXPECT_EQ(RuntimeErrorMessage(c.code, c.location), c.message);
}

// Whatever the length of the text: the buffer's last write-out is checked
// like every other.
TEST(TextStream, NormalEndPrintsNoMessageAndEndsWithTheCodeOfAFailedFinalClose) {
  fake::FakeOs os;
  os.stdoutType = FileType::kDisk;
  fake::StartOn(os);
  ProgramName = "vimbrel";
  PutLine("abc");
  os.FailNth(fake::Call::kWrite, 1, 112);
  EXPECT_EQ(End(), 112u);
  EXPECT_EQ(StdoutWrites(os), (Sizes{5}));
  EXPECT_EQ(os.stdoutBytes, "");
  EXPECT_EQ(os.stderrBytes,
            "vimbrel: cannot write to standard output: words for 112 (error 112)\r\n");
}

}  // namespace
