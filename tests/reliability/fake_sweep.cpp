#include "reliability/fake_sweep.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "fake/movie_bytes.h"
#include "runtime/program_end.h"

namespace fake_sweep {
namespace {

constexpr char kFirstFolder[] = "C:\\m";
constexpr char kFirst[] = "C:\\m\\first.mve";
constexpr char kSecond[] = "D:\\second.mve";

// Several chunks in both phases: 250000 bytes copied from the first movie,
// 230000 from the second.
constexpr std::size_t kFirstSize = 250016;
constexpr std::size_t kSecondSize = 230026;

using fake::MovieBytes;

const std::string& FirstMovie() {
  static const std::string movie = MovieBytes(kFirstSize, 1);
  return movie;
}
const std::string& SecondMovie() {
  static const std::string movie = MovieBytes(kSecondSize, 2);
  return movie;
}
const std::string& JoinedMovie() {
  static const std::string joined =
      fake::JoinedMovie(FirstMovie(), SecondMovie());
  return joined;
}
// What an output left from an earlier run holds: longer than the join, so
// that a missing truncation shows.
const std::string& StaleOutput() {
  static const std::string stale(600000, '\xEE');
  return stale;
}

}  // namespace

std::uint32_t CodeFor(Call call) {
  switch (call) {
    case Call::kOpenFile: return 5;       // access denied
    case Call::kRead: return 1117;        // I/O device error: a four-digit code
    case Call::kWrite: return 112;        // disk full
    case Call::kWriteConsole: return 6;   // invalid handle
    case Call::kFileSize: return 1;       // invalid function
    case Call::kSeek: return 25;          // seek error
    case Call::kSetEndOfFile: return 112;  // disk full
    case Call::kClose: return 6;          // invalid handle
    case Call::kStandardHandle: return 6;
    case Call::kDeviceType: return 1;
    case Call::kIdentityOfHandle: return 1;
    case Call::kIdentityOfPath: return 5;
    case Call::kModuleFileName: return 5;
    case Call::kFileAttributes: return 5;
    case Call::kIsMadeUpFile: return 1;
  }
  return 0;
}

const std::vector<Scenario>& Scenarios() {
  static const std::vector<Scenario> scenarios = {
      {"join to a new output on a console", "vimbrel.exe C:\\m\\first.mve D:\\second.mve out.mve",
       platform::FileType::kChar, false, false, false, false, false, false},
      {"join over an old output, standard output redirected",
       "vimbrel.exe C:\\m\\first.mve D:\\second.mve out.mve", platform::FileType::kDisk, true,
       false, false, false, false, false},
      {"usage", "vimbrel.exe C:\\m\\first.mve D:\\second.mve", platform::FileType::kChar, false,
       false, false, false, false, false},
      {"missing second input", "vimbrel.exe C:\\m\\first.mve D:\\second.mve out.mve",
       platform::FileType::kChar, false, false, false, true, false, false},
      {"missing first input, redirected", "vimbrel.exe C:\\m\\first.mve D:\\second.mve out.mve",
       platform::FileType::kDisk, false, false, true, false, false, false},
      {"output is an input", "vimbrel.exe C:\\m\\first.mve D:\\second.mve out.mve",
       platform::FileType::kChar, false, true, false, false, false, false},
      // A name the ANSI code page lacked, now '?', could name another file.
      {"a name changed on the command line, over an old output",
       "vimbrel.exe C:\\m\\first.mve D:\\second.mve out.mve", platform::FileType::kChar, true,
       false, false, false, true, false},
      // Lines go out to a console as characters, each as it ends.
      {"join over an old output on a console",
       "vimbrel.exe C:\\m\\first.mve D:\\second.mve out.mve", platform::FileType::kChar, true,
       false, false, false, false, true},
  };
  return scenarios;
}

void Populate(fake::FakeOs& os, const Scenario& scenario) {
  os.commandLine = scenario.commandLine;
  os.commandLineExact = !scenario.nameChanged;
  os.stdoutType = scenario.stdoutType;
  os.stdoutConsole = scenario.console;
  // A missing movie's folder is there: the name finds no file (2), not no
  // folder (3).
  os.AddFolder(kFirstFolder);
  if (!scenario.firstMissing) os.AddFile(kFirst, FirstMovie());
  if (!scenario.secondMissing) os.AddFile(kSecond, SecondMovie());
  if (scenario.outputExists) os.AddFile(kOutput, StaleOutput());
  if (scenario.outputIsSecondInput) os.AddLink(kOutput, kSecond);
}

Outcome NormalEnd(std::uint32_t status, std::string text, std::string named) {
  return {Outcome::kNormal, status, std::move(text), std::move(named)};
}
Outcome ErrorExit(std::uint32_t status, std::string named) {
  return {Outcome::kErrorExit, status, {}, std::move(named)};
}
Outcome Lasting(Outcome ending) {
  ending.kind = Outcome::kLasting;
  ending.stdoutText.clear();
  return ending;
}

std::string Named(const CallRecord& call) {
  return call.path == kStdout ? "standard output" : "`" + call.path + "'";
}

Sweep::Sweep(const Scenario& scenario) : scenario_(scenario) {
  fake::FakeOs os;
  Populate(os, scenario);
  baselineStatus_ = fake::RunProgram(os);
  baselineStdout_ = os.stdoutBytes;
  baselineCalls_ = os.calls;
}

void Sweep::CheckRun(const fake::FakeOs& os, std::uint32_t status, const Outcome& outcome) {
  EXPECT_EQ(status, outcome.status);
  CheckInputs(os);

  if (!scenario_.outputIsSecondInput) {
    if (!Cut(os, kOutput)) {
      if (scenario_.outputExists) {
        EXPECT_TRUE(os.Contents(kOutput) == StaleOutput()) << "output touched before it was cut";
      } else {
        // Opened to be cut, it may be there, empty.
        EXPECT_TRUE(!os.Exists(kOutput) || os.Contents(kOutput).empty()) << "output written";
      }
    } else {
      const std::string output = os.Contents(kOutput);
      EXPECT_TRUE(JoinedMovie().compare(0, output.size(), output) == 0 &&
                  output.size() <= JoinedMovie().size())
          << "output of " << output.size() << " bytes is not the start of the joined movie";
      if (status == 0) {
        EXPECT_EQ(output.size(), JoinedMovie().size()) << "success reported for a short output";
      }
    }
  }

  switch (outcome.kind) {
    case Outcome::kNormal:
      EXPECT_EQ(os.stdoutBytes, outcome.stdoutText);
      break;
    case Outcome::kErrorExit:
      CheckErrorLine(os.stdoutBytes, outcome.status);
      break;
    case Outcome::kLasting:
      // Nothing reaches standard output once its calls fail: it holds the
      // start of what an undisturbed run prints, and all of it after a
      // success.
      if (status == 0) {
        EXPECT_EQ(os.stdoutBytes, baselineStdout_);
      } else {
        EXPECT_EQ(baselineStdout_.compare(0, os.stdoutBytes.size(), os.stdoutBytes), 0)
            << os.stdoutBytes;
      }
      break;
  }
  CheckStandardError(os.stderrBytes, status, outcome.named,
                     outcome.said != 0 ? outcome.said : status);
  CheckHandles(os, status);
}

void Sweep::CheckStandardError(const std::string& text, std::uint32_t status,
                               const std::string& named, std::uint32_t said) {
  if (status == 0) {
    EXPECT_EQ(text, "");
    return;
  }
  EXPECT_EQ(text.rfind("vimbrel: ", 0), 0u) << text;
  EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
  EXPECT_NE(text.find(named), std::string::npos) << text;
  const std::string code = " (error " + std::to_string(said) + ")\r\n";
  EXPECT_EQ(text.substr(text.size() - std::min(text.size(), code.size())), code);
}

void Sweep::CheckInputs(const fake::FakeOs& os) {
  if (!scenario_.firstMissing) {
    EXPECT_TRUE(os.Contents(kFirst) == FirstMovie()) << "first movie changed";
  }
  if (!scenario_.secondMissing) {
    EXPECT_TRUE(os.Contents(kSecond) == SecondMovie()) << "second movie changed";
  }
}

// The run-time error line comes last, after whole lines of what an
// undisturbed run prints. The line being written when standard output
// failed may have lost its text, but not its line end: EndLine opens the
// stream anew.
void Sweep::CheckErrorLine(const std::string& text, std::uint32_t code) {
  const std::size_t lineStart = text.rfind('\n', text.size() >= 3 ? text.size() - 3 : 0);
  const std::size_t start = lineStart == std::string::npos ? 0 : lineStart + 1;
  std::string before = text.substr(0, start);
  const std::string line = text.substr(start);
  const auto isWholeLines = [this](const std::string& part) {
    return baselineStdout_.compare(0, part.size(), part) == 0 &&
           (part.empty() || part.compare(part.size() - 2, 2, "\r\n") == 0);
  };
  const bool emptiedLast = before.size() >= 2 && before.compare(before.size() - 2, 2, "\r\n") == 0 &&
                           isWholeLines(before.substr(0, before.size() - 2));
  EXPECT_TRUE(isWholeLines(before) || emptiedLast) << "before the error line: " << before;
  const std::string expected = runtime::RuntimeErrorMessage(code, 0);
  ASSERT_EQ(line.size(), expected.size() + 2) << "error line: " << line;
  EXPECT_EQ(line.substr(0, 21), expected.substr(0, 21));
  EXPECT_EQ(line.find_first_not_of("0123456789ABCDEF", 21), expected.size()) << line;
  EXPECT_EQ(line.substr(expected.size()), "\r\n");
}

// A run leaves open exactly the files it opened and did not close: the
// program closes nothing on the error path, and nothing else may linger.
void Sweep::CheckHandles(const fake::FakeOs& os, std::uint32_t status) {
  std::map<std::string, int> expectedOpen;
  bool stdoutClosed = false;
  for (const CallRecord& call : os.calls) {
    if (call.call == Call::kOpenFile && call.ok) ++expectedOpen[call.path];
    if (call.call == Call::kClose && call.ok) {
      if (call.path == kStdout) {
        stdoutClosed = true;
      } else {
        --expectedOpen[call.path];
      }
    }
  }
  std::map<std::string, int> open;
  for (const std::string& path : os.OpenPaths()) ++open[path];
  for (const auto& [path, count] : expectedOpen) {
    EXPECT_EQ(open[path], count) << path;
    EXPECT_LE(count, 1) << path << " opened more than once";
  }
  for (const auto& [path, count] : open) EXPECT_EQ(expectedOpen[path], count) << path;
  // When the output is an input, the program stops with the movies open,
  // as after a run-time error; only a join or a missing input ends with
  // nothing open.
  if (status == 0 || status == 2) {
    EXPECT_TRUE(os.OpenPaths().empty()) << "a normal end left a file open";
  }
  // Standard output is the process's, never the program's to close.
  EXPECT_FALSE(stdoutClosed) << "standard output closed";
}

bool Sweep::Cut(const fake::FakeOs& os, const std::string& path) {
  for (const CallRecord& call : os.calls) {
    if (call.call == Call::kSetEndOfFile && call.path == path && call.ok) return true;
  }
  return false;
}

}  // namespace fake_sweep
