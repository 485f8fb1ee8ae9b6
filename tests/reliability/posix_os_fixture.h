// What the PosixOs tests share: system calls scripted to be interrupted, cut
// short or failed, and a fixture that gives each test a folder of its own.
#pragma once

#include <sys/types.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/posix/posix_os.h"

namespace reliability {

// What the scripted calls do; reset by every test.
struct Script {
  bool interruptEveryOther = false;  // every other transfer call fails with EINTR
  std::size_t maxChunk = 0;          // a transfer moves at most this much; 0: no limit
  bool writeTakesNothing = false;    // write answers 0 bytes
  int failErrno = 0;                 // the failing call sets this errno
  bool opened = false;               // the file is open: a broken fstat fails from now on
  int transferCalls = 0;
};
extern Script script;

ssize_t ChoppyRead(int fd, void* buffer, std::size_t count);
ssize_t ChoppyWrite(int fd, const void* buffer, std::size_t count);

template <typename Result>
Result Failing() {
  errno = script.failErrno;
  return static_cast<Result>(-1);
}

class PosixOsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string MakeFile(const std::string& name, const std::string& bytes);
  static std::string Pattern(std::size_t size);
  static std::string ReadAll(const std::string& path);

  std::string folder_;
  std::vector<std::string> created_;
  platform::SystemCalls calls_;
};

}  // namespace reliability
