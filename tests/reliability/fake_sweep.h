// Runs of the program on the fake, each with one call failed or cut short:
// the scenarios swept, how a run must end, and the checks every run passes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fake/fake_os.h"
#include "fake/run_program.h"

namespace fake_sweep {

using fake::Call;
using fake::CallRecord;

inline constexpr char kOutput[] = "out.mve";
inline constexpr char kStdout[] = "<stdout>";
inline constexpr char kStderr[] = "<stderr>";
inline constexpr char kBanner[] = "Vimbrel\r\n";

// A representative code for a failure of each kind of call.
std::uint32_t CodeFor(Call call);

struct Scenario {
  const char* name;
  std::string commandLine;
  platform::FileType stdoutType;
  bool outputExists;  // holding StaleOutput()
  bool outputIsSecondInput;  // the output names the second movie through a link
  bool firstMissing;
  bool secondMissing;
  bool nameChanged;  // the command line did not carry a name exactly
  bool console;  // standard output, a character device, is a console
};

const std::vector<Scenario>& Scenarios();
void Populate(fake::FakeOs& os, const Scenario& scenario);

struct Run {
  std::uint32_t status = 0;
  bool runaway = false;
};

// How a run must end.
struct Outcome {
  // kLasting: every call from one on failed, so standard output holds only
  // the start of what an undisturbed run prints.
  enum Kind { kErrorExit, kNormal, kLasting } kind;
  std::uint32_t status;
  std::string stdoutText;  // the whole of standard output, for a normal end
  std::string named;  // what the line on standard error names, when known
  std::uint32_t said = 0;  // the code the line on standard error ends with; 0: the status
};

Outcome NormalEnd(std::uint32_t status, std::string text, std::string named = {});
Outcome ErrorExit(std::uint32_t status, std::string named);
// The end of a run whose failures lasted: the status and the line on
// standard error of `ending`.
Outcome Lasting(Outcome ending);
// How the line on standard error names the file a call was about.
std::string Named(const CallRecord& call);

class Sweep {
 public:
  explicit Sweep(const Scenario& scenario);

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
  void CheckRun(const fake::FakeOs& os, std::uint32_t status, const Outcome& outcome);
  // Nothing after a success; after anything else one line that says what
  // failed, and where, with the code.
  static void CheckStandardError(const std::string& text, std::uint32_t status,
                                 const std::string& named, std::uint32_t said);
  // The movies are only ever read.
  void CheckInputs(const fake::FakeOs& os);
  void CheckErrorLine(const std::string& text, std::uint32_t code);
  void CheckHandles(const fake::FakeOs& os, std::uint32_t status);
  // Whether the file was cut to be written anew.
  static bool Cut(const fake::FakeOs& os, const std::string& path);

  const Scenario& scenario_;
  std::uint32_t baselineStatus_ = 0;
  std::string baselineStdout_;
  std::vector<CallRecord> baselineCalls_;
  int runs_ = 0;
};

}  // namespace fake_sweep
