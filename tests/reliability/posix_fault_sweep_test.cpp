// A whole join of real files on PosixOs, with its k-th system call failed,
// for every k. Each run happens in a forked child, so that the program ends
// the real way (_exit with the POSIX status, open files closed by the
// kernel) and the parent sees its status, its standard output and the files
// it left behind. The system calls go through a table that counts them in
// memory shared with the parent.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "data/tables.h"
#include "fake/movie_bytes.h"
#include "platform/posix/exit_status.h"
#include "platform/posix/posix_os.h"
#include "reliability/posix_counted_calls.h"
#include "reliability/program_on.h"
#include "runtime/program_end.h"

namespace reliability {
namespace {

using fake::MovieBytes;

std::string ReadFile(const std::string& path) {
  std::string bytes;
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return bytes;
  char chunk[65536];
  for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) > 0;) bytes.append(chunk, got);
  ::close(fd);
  return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ::close(fd);
}

struct ChildEnd {
  bool exited = false;  // false: killed after the time limit, or by a signal
  int status = -1;
  std::string stdoutText;
  std::string stderrText;
};

class PosixFaultSweep : public ::testing::Test {
 protected:
  void SetUp() override {
    void* memory = ::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE,
                          MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(memory, MAP_FAILED);
    shared = static_cast<Shared*>(memory);
    char pattern[] = "/tmp/vimbrel-sweep-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = pattern;
    first_ = folder_ + "/first.mve";
    second_ = folder_ + "/second.mve";
    output_ = folder_ + "/out.mve";
    stdoutPath_ = folder_ + "/stdout";
    stderrPath_ = folder_ + "/stderr";
    firstMovie_ = MovieBytes(250016, 1);
    secondMovie_ = MovieBytes(230026, 2);
    joined_ = fake::JoinedMovie(firstMovie_, secondMovie_);
    stale_ = std::string(600000, '\xEE');
  }

  void TearDown() override {
    for (const std::string& path : {first_, second_, output_, stdoutPath_, stderrPath_}) {
      ::unlink(path.c_str());
    }
    ::rmdir(folder_.c_str());
    ::munmap(shared, sizeof(Shared));
  }

  // Lays out the files afresh and runs the program in a child.
  ChildEnd RunJoin(int failAt, bool choppy, bool failLasts = false) {
    WriteFile(first_, firstMovie_);
    WriteFile(second_, secondMovie_);
    WriteFile(output_, stale_);
    std::memset(shared, 0, sizeof(Shared));
    shared->failAt = failAt;
    shared->failLasts = failLasts;
    shared->choppy = choppy;
    std::snprintf(shared->paths[0], sizeof shared->paths[0], "%s", first_.c_str());
    std::snprintf(shared->paths[1], sizeof shared->paths[1], "%s", second_.c_str());
    std::snprintf(shared->paths[2], sizeof shared->paths[2], "%s", output_.c_str());

    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
      const int out = ::open(stdoutPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (out < 0 || ::dup2(out, STDOUT_FILENO) < 0) ::_exit(250);
      ::close(out);
      const int error = ::open(stderrPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (error < 0 || ::dup2(error, STDERR_FILENO) < 0) ::_exit(250);
      ::close(error);
      fdTargets.clear();
      platform::PrepareProcess(CountedCalls());
      platform::PosixOs os({"vimbrel", first_, second_, output_}, CountedCalls());
      reliability::RunProgramOn(os);
    }
    ChildEnd end;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    pid_t done = 0;
    while ((done = ::waitpid(child, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (done == 0) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      return end;
    }
    end.exited = WIFEXITED(status);
    end.status = end.exited ? WEXITSTATUS(status) : -1;
    end.stdoutText = ReadFile(stdoutPath_);
    end.stderrText = ReadFile(stderrPath_);
    return end;
  }

  // POSIX paths hold no ':' or '\': the progress lines show them whole.
  std::string UndisturbedStdout() const {
    return "Vimbrel\r\n " + first_ + " -> " + output_ + "\r\n " + second_ + " -> " + output_ +
           "\r\n";
  }

  // What every run keeps, however it ends: the movies untouched, the output
  // stale until it was cut and then the start of the join, and descriptors
  // left to the kernel at the end only for the movies and the output as
  // opened and not closed, each once; nothing after a complete join;
  // standard output never closed.
  void CheckWhatEveryRunKeeps(const ChildEnd& end) {
    EXPECT_TRUE(ReadFile(first_) == firstMovie_) << "first movie changed";
    EXPECT_TRUE(ReadFile(second_) == secondMovie_) << "second movie changed";
    bool outputCut = false;
    for (int i = 0; i < shared->count && i < kMaxEntries; ++i) {
      const Entry& e = shared->log[i];
      if (e.sys == Sys::kFtruncate && e.target == Target::kOutput && e.ok) outputCut = true;
    }
    const std::string output = ReadFile(output_);
    if (!outputCut) {
      EXPECT_TRUE(output == stale_) << "output touched before it was cut";
    } else {
      EXPECT_TRUE(output.size() <= joined_.size() && joined_.compare(0, output.size(), output) == 0)
          << "output of " << output.size() << " bytes is not the start of the joined movie";
    }
    if (end.status == 0) {
      EXPECT_TRUE(output == joined_) << "success reported for a short output";
      EXPECT_EQ(end.stderrText, "");
    }
    std::map<int, Target> open;
    bool stdoutClosed = false;
    for (int i = 0; i < shared->count && i < kMaxEntries; ++i) {
      const Entry& e = shared->log[i];
      if (e.sys == Sys::kOpen && e.ok && e.fd >= 0) open[e.fd] = e.target;
      if (e.sys == Sys::kClose) {
        if (e.fd == STDOUT_FILENO) stdoutClosed = true;
        open.erase(e.fd);
      }
    }
    std::map<Target, int> perFile;
    for (const auto& [fd, file] : open) {
      EXPECT_NE(file, Target::kOther) << "descriptor " << fd << " of an unknown file";
      EXPECT_EQ(++perFile[file], 1) << "a file held twice";
    }
    if (end.status == 0) {
      EXPECT_TRUE(open.empty()) << "a complete join left a file open";
    }
    EXPECT_FALSE(stdoutClosed);
  }

  std::string folder_, first_, second_, output_, stdoutPath_, stderrPath_;
  std::string firstMovie_, secondMovie_, joined_, stale_;
};

bool IsErrorLineAfterWholeLines(const std::string& text, const std::string& undisturbed,
                                std::uint32_t code) {
  if (text.size() < 31) return false;
  const std::string line = text.substr(text.size() - 31);
  const std::string before = text.substr(0, text.size() - 31);
  const std::string expected = runtime::RuntimeErrorMessage(code, 0);
  const auto isWholeLines = [&undisturbed](const std::string& part) {
    return undisturbed.compare(0, part.size(), part) == 0 &&
           (part.empty() || part.compare(part.size() - 2, 2, "\r\n") == 0);
  };
  // The line being written when standard output failed may have lost its
  // text, but not its line end.
  const bool emptiedLast = before.size() >= 2 &&
                           before.compare(before.size() - 2, 2, "\r\n") == 0 &&
                           isWholeLines(before.substr(0, before.size() - 2));
  return (isWholeLines(before) || emptiedLast) &&
         line.compare(0, 21, expected, 0, 21) == 0 &&
         line.find_first_not_of("0123456789ABCDEF", 21) == 29 && line.compare(29, 2, "\r\n") == 0;
}

TEST_F(PosixFaultSweep, EveryFailingSystemCallEndsTheJoinSafely) {
  const ChildEnd undisturbed = RunJoin(0, false);
  ASSERT_TRUE(undisturbed.exited);
  ASSERT_EQ(undisturbed.status, 0);
  ASSERT_EQ(undisturbed.stdoutText, UndisturbedStdout());
  ASSERT_TRUE(ReadFile(output_) == joined_);
  const int callCount = shared->count;
  ASSERT_LE(callCount, kMaxEntries);
  const std::vector<Entry> calls(shared->log, shared->log + callCount);

  int runs = 0;
  for (int k = 1; k <= callCount; ++k) {
    const Entry& target = calls[k - 1];
    SCOPED_TRACE("system call " + std::to_string(k) + ": " + SysName(target.sys) + " on " +
                 std::to_string(static_cast<int>(target.target)));
    const ChildEnd end = RunJoin(k, false);
    ++runs;
    ASSERT_TRUE(end.exited) << "the run did not end";
    ASSERT_GE(shared->count, k);
    ASSERT_FALSE(shared->log[k - 1].ok) << "the run took another path";

    // What the failure of this call must lead to.
    enum { kErrorExit, kMissing, kComplete, kLastLinesLost } kind = kErrorExit;
    std::uint32_t code = CodeFor(target.sys);
    std::string missingPath;
    // Descriptor numbers come back after a close: what a descriptor is and
    // what was asked of it count from its latest open.
    bool nameDescriptor = false;
    bool firstFstatOfFd = true;
    bool firstStatOfPath = true;
    for (int i = k - 2; i >= 0; --i) {
      if (calls[i].sys == Sys::kStat && calls[i].target == target.target) firstStatOfPath = false;
    }
    for (int i = k - 2; i >= 0; --i) {
      if (calls[i].fd != target.fd) continue;
      if (calls[i].sys == Sys::kOpen) {
        nameDescriptor = calls[i].names;
        break;
      }
      if (calls[i].sys == Sys::kFstat) firstFstatOfFd = false;
    }
    switch (target.sys) {
      case Sys::kStat:
        if (target.target == Target::kOutput) break;  // its identity: a run-time error
        if (firstStatOfPath) {
          // Whether standard output goes to the movie: not told, it is taken
          // for another file.
          kind = kComplete;
          break;
        }
        kind = kMissing;  // the attributes of an input
        missingPath = target.target == Target::kFirst ? first_ : second_;
        break;
      case Sys::kFcntl:
        // Standard output that cannot be had is error 105 from the write.
        if (target.target == Target::kStdout) code = 105;
        break;
      case Sys::kFstat:
        if (target.target == Target::kStdout) {
          // Standard output of no known type cannot take the text (105);
          // it stays open, and the line end finds it usable again. Asked
          // later whether it is the output, it is taken for another file.
          if (firstFstatOfFd) {
            code = 105;
          } else {
            kind = kComplete;
          }
        } else if (nameDescriptor) {
          // The type of a file being opened: the open fails.
        } else if (firstFstatOfFd && target.target != Target::kOutput) {
          code = 50;  // an input of no known type is no disk file
        }
        break;
      case Sys::kSignal:
        // A join to files meets neither signal.
        kind = kComplete;
        break;
      case Sys::kClose:
        // The name descriptor is released all the same, and the file it
        // named is open.
        if (nameDescriptor) kind = kComplete;
        break;
      case Sys::kWrite:
        // Redirected standard output goes out whenever its 128-byte buffer
        // fills, and for the last time at the end: the join is complete, but
        // its last lines are lost.
        if (target.target == Target::kStdout && k == callCount) kind = kLastLinesLost;
        break;
      default:
        break;
    }

    CheckWhatEveryRunKeeps(end);
    const std::string output = ReadFile(output_);
    if (end.status != 0) {
      // One line, in the C library's words for the errno.
      EXPECT_EQ(end.stderrText.rfind(test_data::ErrorText("line", {{"said", ""}}), 0), 0u)
          << end.stderrText;
      EXPECT_EQ(end.stderrText.find('\n'), end.stderrText.size() - 1) << end.stderrText;
    }
    // The line's end, whatever was being done.
    const std::string errorLine =
        test_data::ErrorText("failure", {{"doing", ""},
                                         {"words", std::strerror(ErrnoFor(target.sys))},
                                         {"code", std::to_string(code)}}) +
        "\n";

    switch (kind) {
      case kComplete:
        EXPECT_EQ(end.status, 0);
        EXPECT_TRUE(output == joined_);
        EXPECT_EQ(end.stdoutText, undisturbed.stdoutText);
        break;
      case kLastLinesLost:
        EXPECT_EQ(end.status, platform::PosixExitStatus(code));
        EXPECT_TRUE(output == joined_);
        EXPECT_EQ(end.stderrText,
                  test_data::ErrorText("line", {{"said", "cannot write to standard output"}}) +
                      errorLine);
        break;
      case kMissing:
        EXPECT_EQ(end.status, 2);
        EXPECT_EQ(end.stdoutText, "Vimbrel\r\nInput file `" + missingPath + "' not found.\r\n");
        break;
      case kErrorExit:
        EXPECT_EQ(end.status, platform::PosixExitStatus(code));
        EXPECT_TRUE(IsErrorLineAfterWholeLines(end.stdoutText, undisturbed.stdoutText, code))
            << end.stdoutText;
        // A code of the system's own, in its words.
        if (code == CodeFor(target.sys)) {
          EXPECT_EQ(end.stderrText.substr(end.stderrText.size() -
                                          std::min(end.stderrText.size(), errorLine.size())),
                    errorLine);
        }
        break;
    }

  }
  std::cout << "[ sweep    ] " << runs << " runs of " << callCount << " system calls each at most\n";
}

// Every system call from the k-th on failed, for every k, as when a disk
// goes away: the run ends, and keeps what every run keeps.
TEST_F(PosixFaultSweep, FailuresThatLastEndTheJoinSafely) {
  ASSERT_EQ(RunJoin(0, false).status, 0);
  const int callCount = shared->count;
  for (int k = 1; k <= callCount; ++k) {
    SCOPED_TRACE("system calls from " + std::to_string(k) + " on");
    const ChildEnd end = RunJoin(k, false, true);
    ASSERT_TRUE(end.exited) << "the run did not end";
    EXPECT_NE(end.status, 0);
    // At most the one line, which a failing write may lose.
    EXPECT_LE(std::count(end.stderrText.begin(), end.stderrText.end(), '\n'), 1) << end.stderrText;
    CheckWhatEveryRunKeeps(end);
  }
}

// Every read and write interrupted once, then cut to 4093 bytes: the join is
// whole all the same.
TEST_F(PosixFaultSweep, InterruptedAndShortTransfersStillJoinEverything) {
  const ChildEnd end = RunJoin(0, true);
  ASSERT_TRUE(end.exited);
  EXPECT_EQ(end.status, 0);
  EXPECT_TRUE(ReadFile(output_) == joined_);
  EXPECT_TRUE(ReadFile(first_) == firstMovie_);
  EXPECT_TRUE(ReadFile(second_) == secondMovie_);
  EXPECT_EQ(end.stdoutText, UndisturbedStdout());
  EXPECT_GT(shared->count, 2 * 480000 / 4093);
}

}  // namespace
}  // namespace reliability
