// Every operating-system call of a run, failed in turn, on the fake: each run
// must end as its failure calls for, with both movies untouched, the output
// holding nothing but the start of the joined movie, no handle leaked and no
// success reported for a short join. Short transfers are swept the same way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "fake/movie_bytes.h"
#include "fake/run_program.h"
#include "runtime/program_end.h"

namespace {

using fake::Call;
using fake::CallRecord;

constexpr char kFirstFolder[] = "C:\\m";
constexpr char kFirst[] = "C:\\m\\first.mve";
constexpr char kSecond[] = "D:\\second.mve";
constexpr char kOutput[] = "out.mve";
constexpr char kStdout[] = "<stdout>";

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

// A representative code for a failure of each kind of call.
std::uint32_t CodeFor(Call call) {
  switch (call) {
    case Call::kOpenFile: return 5;       // access denied
    case Call::kRead: return 1117;        // I/O device error: a four-digit code
    case Call::kWrite: return 112;        // disk full
    case Call::kWriteConsole: return 6;   // invalid handle
    case Call::kFileSize: return 1;       // invalid function
    case Call::kSeek: return 25;          // seek error
    case Call::kClose: return 6;          // invalid handle
    case Call::kStandardHandle: return 6;
    case Call::kDeviceType: return 1;
    case Call::kIdentityOfHandle: return 1;
    case Call::kIdentityOfPath: return 5;
    case Call::kModuleFileName: return 5;
    case Call::kFileAttributes: return 5;
  }
  return 0;
}

struct Scenario {
  const char* name;
  std::string commandLine;
  platform::FileType stdoutType;
  bool outputExists;  // holding StaleOutput()
  bool outputIsSecondInput;  // the output names the second movie through a link
  bool firstMissing;
  bool secondMissing;
  bool nameChanged;  // the command line did not carry a name exactly
};

const std::vector<Scenario>& Scenarios() {
  static const std::vector<Scenario> scenarios = {
      {"join to a new output on a console", "vimbrel.exe C:\\m\\first.mve D:\\second.mve out.mve",
       platform::FileType::kChar, false, false, false, false, false},
      {"join over an old output, standard output redirected",
       "vimbrel.exe C:\\m\\first.mve D:\\second.mve out.mve", platform::FileType::kDisk, true,
       false, false, false, false},
      {"usage", "vimbrel.exe C:\\m\\first.mve D:\\second.mve", platform::FileType::kChar, false,
       false, false, false, false},
      {"missing second input", "vimbrel.exe C:\\m\\first.mve D:\\second.mve out.mve",
       platform::FileType::kChar, false, false, false, true, false},
      {"missing first input, redirected", "vimbrel.exe C:\\m\\first.mve D:\\second.mve out.mve",
       platform::FileType::kDisk, false, false, true, false, false},
      {"output is an input", "vimbrel.exe C:\\m\\first.mve D:\\second.mve out.mve",
       platform::FileType::kChar, false, true, false, false, false},
      // A name the ANSI code page lacked, now '?', could name another file.
      {"a name changed on the command line, over an old output",
       "vimbrel.exe C:\\m\\first.mve D:\\second.mve out.mve", platform::FileType::kChar, true,
       false, false, false, true},
  };
  return scenarios;
}

void Populate(fake::FakeOs& os, const Scenario& scenario) {
  os.commandLine = scenario.commandLine;
  os.commandLineExact = !scenario.nameChanged;
  os.stdoutType = scenario.stdoutType;
  // A missing movie's folder is there: the name finds no file (2), not no
  // folder (3).
  os.AddFolder(kFirstFolder);
  if (!scenario.firstMissing) os.AddFile(kFirst, FirstMovie());
  if (!scenario.secondMissing) os.AddFile(kSecond, SecondMovie());
  if (scenario.outputExists) os.AddFile(kOutput, StaleOutput());
  if (scenario.outputIsSecondInput) os.AddLink(kOutput, kSecond);
}

struct Run {
  std::uint32_t status = 0;
  bool runaway = false;
};

// How a run must end.
struct Outcome {
  enum Kind { kErrorExit, kNormal } kind;
  std::uint32_t status;
  std::string stdoutText;  // the whole of standard output, for a normal end
  std::string named;  // what the line on standard error names, when known
  std::uint32_t said = 0;  // the code the line on standard error ends with; 0: the status
};

Outcome NormalEnd(std::uint32_t status, std::string text, std::string named = {}) {
  return {Outcome::kNormal, status, std::move(text), std::move(named)};
}
Outcome ErrorExit(std::uint32_t status, std::string named) {
  return {Outcome::kErrorExit, status, {}, std::move(named)};
}

// How the line on standard error names the file a call was about.
std::string Named(const CallRecord& call) {
  return call.path == kStdout ? "standard output" : "`" + call.path + "'";
}

constexpr char kBanner[] = "Vimbrel\r\n";

class Sweep {
 public:
  explicit Sweep(const Scenario& scenario) : scenario_(scenario) {
    fake::FakeOs os;
    Populate(os, scenario);
    baselineStatus_ = fake::RunProgram(os);
    baselineStdout_ = os.stdoutBytes;
    baselineCalls_ = os.calls;
  }

  const Scenario& GetScenario() const { return scenario_; }
  const std::vector<CallRecord>& BaselineCalls() const { return baselineCalls_; }
  std::uint32_t BaselineStatus() const { return baselineStatus_; }
  const std::string& BaselineStdout() const { return baselineStdout_; }

  // Runs the scenario with `arrange` applied to the fake, then checks the
  // run against what `expected` says of it.
  template <typename Arrange, typename Expect>
  void Check(const std::string& trace, Arrange arrange, Expect expected) {
    SCOPED_TRACE(trace);
    fake::FakeOs os;
    Populate(os, scenario_);
    // Ten times the calls of the undisturbed run means the run would not end.
    os.callLimit = baselineCalls_.size() * 10 + 100;
    arrange(os);
    Run run;
    try {
      run.status = fake::RunProgram(os);
    } catch (const fake::RunawayProgram&) {
      run.runaway = true;
    }
    ++runs_;
    if (run.runaway) {
      ADD_FAILURE() << "the run did not end";
      CheckInputs(os);
      return;
    }
    CheckRun(os, run.status, expected(os));
  }

  int Runs() const { return runs_; }

 private:
  void CheckRun(const fake::FakeOs& os, std::uint32_t status, const Outcome& outcome) {
    EXPECT_EQ(status, outcome.status);
    CheckInputs(os);

    const bool created = Opened(os, kOutput);
    if (!scenario_.outputIsSecondInput) {
      if (!created) {
        if (scenario_.outputExists) {
          EXPECT_TRUE(os.Contents(kOutput) == StaleOutput()) << "output touched before its creation";
        } else {
          EXPECT_FALSE(os.Exists(kOutput)) << "output created";
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

    if (outcome.kind == Outcome::kNormal) {
      EXPECT_EQ(os.stdoutBytes, outcome.stdoutText);
    } else {
      CheckErrorLine(os.stdoutBytes, outcome.status);
    }
    CheckStandardError(os.stderrBytes, status, outcome.named,
                       outcome.said != 0 ? outcome.said : status);
    CheckHandles(os, status);
  }

  // Nothing after a success; after anything else one line that says what
  // failed, and where, with the code.
  static void CheckStandardError(const std::string& text, std::uint32_t status,
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

  // The movies are only ever read.
  void CheckInputs(const fake::FakeOs& os) {
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
  void CheckErrorLine(const std::string& text, std::uint32_t code) {
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
  void CheckHandles(const fake::FakeOs& os, std::uint32_t status) {
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

  static bool Opened(const fake::FakeOs& os, const std::string& path) {
    for (const CallRecord& call : os.calls) {
      if (call.call == Call::kOpenFile && call.path == path && call.ok) return true;
    }
    return false;
  }

  const Scenario& scenario_;
  std::uint32_t baselineStatus_ = 0;
  std::string baselineStdout_;
  std::vector<CallRecord> baselineCalls_;
  int runs_ = 0;
};

int totalRuns = 0;

// What the run must do when call n of the undisturbed run fails with `code`.
Outcome OutcomeOfFailure(const Sweep& sweep, std::size_t n, std::uint32_t code) {
  const CallRecord& failed = sweep.BaselineCalls()[n - 1];
  switch (failed.call) {
    case Call::kFileAttributes:
    {
      // A path whose attributes cannot be read is a missing input; standard
      // error tells why the query failed.
      Outcome missing = NormalEnd(
          2, std::string(kBanner) + "Input file `" + failed.path + "' not found.\r\n", Named(failed));
      missing.said = code;
      return missing;
    }
    case Call::kIdentityOfHandle:
      // Standard output that cannot be asked about is taken for another file.
      if (failed.path == kStdout) return NormalEnd(0, sweep.BaselineStdout());
      return ErrorExit(code, Named(failed));
    case Call::kStandardHandle:
      // The lazy open of standard output failed: 105 from the write.
      return ErrorExit(105, Named(failed));
    case Call::kDeviceType:
      // Standard output of no known type cannot be written (105); an input
      // of no known type is no disk file (50).
      return ErrorExit(failed.path == kStdout ? 105 : 50, Named(failed));
    case Call::kWrite:
      if (failed.path == kStdout && n == sweep.BaselineCalls().size() &&
          sweep.GetScenario().stdoutType != platform::FileType::kChar) {
        // Redirected standard output goes out when the program ends: a run
        // that went well ends with the code of that last write-out, one
        // that was refused keeps its status and its line.
        if (sweep.BaselineStatus() == 0) return NormalEnd(code, "", Named(failed));
        Outcome refused = NormalEnd(sweep.BaselineStatus(), "");
        // With every code lost, the query that found an input missing left
        // none to tell either: 31 stands for it.
        if (code == 31 && sweep.BaselineStatus() == 2) refused.said = 31;
        return refused;
      }
      return ErrorExit(code, Named(failed));
    default:
      return ErrorExit(code, Named(failed));
  }
}

std::string Describe(std::size_t n, const CallRecord& call) {
  return "call " + std::to_string(n) + ": " + fake::CallName(call.call) + " " + call.path;
}

// Sweeps every call of the undisturbed run; `lost` makes every failure leave
// no error code, which the program must report as 31.
void SweepEveryCall(bool lost) {
  for (const Scenario& scenario : Scenarios()) {
    SCOPED_TRACE(scenario.name);
    Sweep sweep(scenario);
    const std::vector<CallRecord>& calls = sweep.BaselineCalls();
    // A new output is missing at first, so its identity query fails; with
    // no code left, that failure cannot tell a missing output from a broken
    // query, and the run rightly stops.
    const auto identityFails = [](const CallRecord& call) {
      return call.call == Call::kIdentityOfPath && !call.ok;
    };
    if (lost && std::any_of(calls.begin(), calls.end(), identityFails)) continue;
    ASSERT_GT(calls.size(), 0u);
    for (std::size_t n = 1; n <= calls.size(); ++n) {
      const CallRecord& target = calls[n - 1];
      ASSERT_NE(target.call, Call::kModuleFileName) << "argument 0 is never asked for";
      const std::uint32_t code = lost ? 31 : CodeFor(target.call);
      sweep.Check(
          Describe(n, target),
          [&](fake::FakeOs& os) {
            os.FailOverall(static_cast<int>(n), CodeFor);
            os.lastErrorLost = lost;
          },
          [&](const fake::FakeOs& os) {
            // The run took the undisturbed run's path up to the failure.
            EXPECT_EQ(os.calls.at(n - 1).call, target.call);
            EXPECT_FALSE(os.calls.at(n - 1).ok);
            return OutcomeOfFailure(sweep, n, code);
          });
    }
    totalRuns += sweep.Runs();
  }
}

TEST(FakeFaultSweep, UndisturbedRunsEndAsTheyShould) {
  const std::uint32_t statuses[] = {0, 0, 160, 2, 2, 87, 123};
  for (std::size_t i = 0; i < Scenarios().size(); ++i) {
    SCOPED_TRACE(Scenarios()[i].name);
    EXPECT_EQ(Sweep(Scenarios()[i]).BaselineStatus(), statuses[i]);
  }
  const Sweep join(Scenarios()[0]);
  EXPECT_EQ(join.BaselineStdout(),
            std::string(kBanner) + " first.mve -> out.mve\r\n second.mve -> out.mve\r\n");
  // Several chunks in each phase, as the sweep needs.
  const auto reads = std::count_if(join.BaselineCalls().begin(), join.BaselineCalls().end(),
                                   [](const CallRecord& call) { return call.call == Call::kRead; });
  EXPECT_EQ(reads, 6);
  // Refused before any file is looked at: only standard output is used.
  const Sweep refusal(Scenarios()[6]);
  EXPECT_EQ(refusal.BaselineStdout(), std::string(kBanner) +
                                          "An argument cannot reach the program exactly as given.\r\n");
  for (const CallRecord& call : refusal.BaselineCalls()) EXPECT_EQ(call.path, kStdout);
}

TEST(FakeFaultSweep, EveryFailingCallEndsTheRunSafely) {
  SweepEveryCall(false);
  std::cout << "[ sweep    ] " << totalRuns << " runs\n";
}

TEST(FakeFaultSweep, AFailureThatLeavesNoCodeEndsWith31) {
  totalRuns = 0;
  SweepEveryCall(true);
  std::cout << "[ sweep    ] " << totalRuns << " runs\n";
}

// Every read and every write of the joins cut short in turn: halfway, and to
// nothing.
TEST(FakeFaultSweep, ShortTransfers) {
  int runs = 0;
  for (const std::size_t join : {0, 1}) {
    const Scenario& scenario = Scenarios()[join];
    SCOPED_TRACE(scenario.name);
    Sweep sweep(scenario);
    std::map<Call, int> nth;
    for (const CallRecord& call : sweep.BaselineCalls()) {
      if (call.call != Call::kRead && call.call != Call::kWrite) continue;
      const int n = ++nth[call.call];
      for (const std::uint32_t bytes : {call.count / 2, 0u}) {
        const std::string trace = std::string(fake::CallName(call.call)) + " " +
                                  std::to_string(n) + " of " + call.path + " cut to " +
                                  std::to_string(bytes);
        sweep.Check(
            trace, [&](fake::FakeOs& os) { os.ShortenNth(call.call, n, bytes); },
            [&](const fake::FakeOs& os) {
              if (call.call == Call::kRead) {
                // A short read goes on with the copy; a read that brings
                // nothing while bytes remain is error 100.
                return bytes == 0 ? ErrorExit(100, Named(call))
                                  : NormalEnd(0, sweep.BaselineStdout());
              }
              if (call.path == kStdout) {
                // A console write that moves fewer bytes counts as done.
                EXPECT_EQ(os.stdoutBytes.size(), sweep.BaselineStdout().size() - (call.count - bytes));
                return NormalEnd(0, os.stdoutBytes);
              }
              return ErrorExit(101, Named(call));  // a short write to the output
            });
        ++runs;
      }
    }
  }
  std::cout << "[ sweep    ] " << runs << " runs\n";
}

}  // namespace
