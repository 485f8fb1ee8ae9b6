// Every operating-system call of a run, failed in turn, on the fake: each run
// must end as its failure calls for, with both movies untouched, the output
// holding nothing but the start of the joined movie, no handle leaked and no
// success reported for a short join. Short transfers are swept the same way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "reliability/fake_sweep.h"

namespace {

using namespace fake_sweep;

int totalRuns = 0;

// A failure the run goes past: it ends as the undisturbed run does. With
// every code lost, the query that found an input missing left none to tell
// either: 31 stands for it.
Outcome Undisturbed(const Sweep& sweep, std::uint32_t code) {
  Outcome undisturbed = NormalEnd(sweep.BaselineStatus(), sweep.BaselineStdout());
  if (code == 31 && sweep.BaselineStatus() == 2) undisturbed.said = 31;
  return undisturbed;
}

// Standard output or error that cannot be asked about is taken for another
// file (standard error gets its line as ever), and so is a movie that cannot
// be asked whether either goes to it: opening it tells what is wrong with it.
bool TakenForAnotherFile(const CallRecord& failed) {
  return failed.call == Call::kIdentityOfHandle
             ? failed.path == kStdout || failed.path == kStderr
             : failed.path != kOutput;
}

// Whether call n is the run's last but for the questions that decide
// whether standard error gets its line.
bool IsLastBeforeStandardError(const std::vector<CallRecord>& calls, std::size_t n) {
  return std::all_of(calls.begin() + static_cast<std::ptrdiff_t>(n), calls.end(),
                     [](const CallRecord& call) { return call.path == kStderr; });
}

// What the run must do when `failed`, one of its calls, is the one call that
// fails, with `code`; `last`: it is the run's last call but for the
// questions about standard error.
Outcome OutcomeOfFailure(const Sweep& sweep, const CallRecord& failed, bool last,
                         std::uint32_t code) {
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
    case Call::kIdentityOfPath:
      if (TakenForAnotherFile(failed)) return Undisturbed(sweep, code);
      return ErrorExit(code, Named(failed));
    case Call::kStandardHandle:
      // Standard error that cannot be had gets its line as ever (which the
      // fake still takes). The lazy open of standard output failed: 105 from
      // the write.
      if (failed.path == kStderr) return Undisturbed(sweep, code);
      return ErrorExit(105, Named(failed));
    case Call::kDeviceType:
      // Standard output of no known type cannot be written (105); an input
      // of no known type is no disk file (50).
      // The output's type decides whether it has an end to cut.
      if (failed.path == kOutput) return ErrorExit(code, Named(failed));
      return ErrorExit(failed.path == kStdout ? 105 : 50, Named(failed));
    case Call::kWrite:
      if (failed.path == kStdout && last &&
          sweep.GetScenario().stdoutType != platform::FileType::kChar) {
        // Redirected standard output goes out when the program ends: a run
        // that went well ends with the code of that last write-out, one
        // that was refused keeps its status and its line.
        if (sweep.BaselineStatus() == 0) return NormalEnd(code, "", Named(failed));
        Outcome refused = Undisturbed(sweep, code);
        refused.stdoutText.clear();
        return refused;
      }
      return ErrorExit(code, Named(failed));
    default:
      return ErrorExit(code, Named(failed));
  }
}

// What the run must do when every call from its n-th on fails, each with
// its kind's code. It goes past what it goes past undisturbed, and a missing
// input is still refused, unless writing that to standard output fails too;
// the first failure it cannot go past ends it. Standard output that is lost
// for good is not open when the run tries it again (103).
Outcome OutcomeOfLastingFailure(const Sweep& sweep, const fake::FakeOs& os, std::size_t n) {
  std::optional<Outcome> refusal;
  for (std::size_t i = n - 1; i < os.calls.size(); ++i) {
    const CallRecord& failed = os.calls[i];
    const bool last = IsLastBeforeStandardError(os.calls, i + 1);
    const Outcome alone = OutcomeOfFailure(sweep, failed, last, CodeFor(failed.call));
    // Failures that begin with the questions about standard error change
    // nothing before them.
    if (failed.path == kStderr) return Lasting(refusal ? *refusal : alone);
    switch (failed.call) {
      case Call::kStandardHandle:
        return Lasting(ErrorExit(103, Named(failed)));
      case Call::kDeviceType:
        if (failed.path == kStdout) return Lasting(ErrorExit(103, Named(failed)));
        return Lasting(alone);
      case Call::kIdentityOfHandle:
      case Call::kIdentityOfPath:
        if (TakenForAnotherFile(failed)) continue;
        return Lasting(alone);
      case Call::kFileAttributes:
        refusal = alone;
        continue;
      case Call::kWrite:
        // The write-out at the end (the only write that ends a run normally)
        // keeps a refusal made before it.
        if (refusal && alone.kind == Outcome::kNormal) return Lasting(*refusal);
        return Lasting(alone);
      default:
        return Lasting(alone);
    }
  }
  ADD_FAILURE() << "no failure ended the run";
  return Lasting(NormalEnd(sweep.BaselineStatus(), {}));
}

std::string Describe(std::size_t n, const CallRecord& call) {
  return "call " + std::to_string(n) + ": " + fake::CallName(call.call) + " " + call.path;
}

// Sweeps every call of the undisturbed run; `lost` makes every failure leave
// no error code, which the program must report as 31; `lasting` fails every
// call from the swept one on, as a disk that went away does.
void SweepEveryCall(bool lost, bool lasting = false) {
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
            if (lasting) {
              os.FailFrom(static_cast<int>(n), CodeFor);
            } else {
              os.FailOverall(static_cast<int>(n), CodeFor);
            }
            os.lastErrorLost = lost;
          },
          [&](const fake::FakeOs& os) {
            // The run took the undisturbed run's path up to the failure.
            EXPECT_EQ(os.calls.at(n - 1).call, target.call);
            EXPECT_FALSE(os.calls.at(n - 1).ok);
            return lasting ? OutcomeOfLastingFailure(sweep, os, n)
                           : OutcomeOfFailure(sweep, target, IsLastBeforeStandardError(calls, n), code);
          });
    }
    totalRuns += sweep.Runs();
  }
}

TEST(FakeFaultSweep, UndisturbedRunsEndAsTheyShould) {
  const std::uint32_t statuses[] = {0, 0, 160, 2, 2, 87, 123, 0};
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
  // The console gets the same lines, as characters.
  const Sweep console(Scenarios()[7]);
  EXPECT_EQ(console.BaselineStdout(), join.BaselineStdout());
  EXPECT_EQ(std::count_if(console.BaselineCalls().begin(), console.BaselineCalls().end(),
                          [](const CallRecord& call) { return call.call == Call::kWriteConsole; }),
            3);
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

TEST(FakeFaultSweep, FailuresThatLastEndTheRunSafely) {
  totalRuns = 0;
  SweepEveryCall(false, true);
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
