// PosixOs with one system call failed through its SystemCalls table:
// failures come out as the Win32 codes the rest of the program expects.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "data/errno_table.h"
#include "platform/posix/posix_os.h"
#include "reliability/posix_os_fixture.h"

namespace reliability {
namespace {

// Each system call failed with a typical errno gives the Win32 code Windows
// gives for the same condition.
TEST_F(PosixOsTest, FailedCallsGiveTheirWin32Codes) {
  struct Case {
    const char* what;
    int failErrno;
    std::function<void(platform::SystemCalls&)> breakCall;
    std::function<bool(platform::PosixOs&, platform::Handle)> operation;  // false: failed
    std::uint32_t code = 0;  // 0: the errno's number in the errno-to-Win32 table
  };
  const auto noRead = [](platform::SystemCalls& c) { c.read = [](int, void*, std::size_t) { return Failing<ssize_t>(); }; };
  const auto noWrite = [](platform::SystemCalls& c) {
    c.write = [](int, const void*, std::size_t) { return Failing<ssize_t>(); };
  };
  const auto noFstat = [](platform::SystemCalls& c) {
    c.fstat = [](int fd, struct stat* status) {
      return script.opened ? Failing<int>() : ::fstat(fd, status);
    };
  };
  const auto noLseek = [](platform::SystemCalls& c) { c.lseek = [](int, off_t, int) { return Failing<off_t>(); }; };
  const auto noClose = [](platform::SystemCalls& c) {
    // The descriptor is released even when close reports an error.
    c.close = [](int fd) {
      ::close(fd);
      return Failing<int>();
    };
  };
  const auto read = [](platform::PosixOs& os, platform::Handle h) {
    char buffer[16];
    std::uint32_t n = 0;
    return os.Read(h, buffer, sizeof buffer, &n);
  };
  const auto write = [](platform::PosixOs& os, platform::Handle h) {
    std::uint32_t n = 0;
    return os.Write(h, "abc", 3, &n);
  };
  const auto size = [](platform::PosixOs& os, platform::Handle h) {
    std::int64_t s = 0;
    return os.FileSize(h, &s);
  };
  const auto seek = [](platform::PosixOs& os, platform::Handle h) {
    std::int64_t p = 0;
    return os.Seek(h, 26, platform::SeekOrigin::kBegin, &p);
  };
  const auto close = [](platform::PosixOs& os, platform::Handle h) { return os.Close(h); };
  const auto identity = [](platform::PosixOs& os, platform::Handle h) {
    platform::FileIdentity id;
    return os.IdentityOfHandle(h, &id) != platform::PathKind::kUnknown;
  };
  const auto noReadlink = [](platform::SystemCalls& c) {
    c.readlink = [](const char*, char*, std::size_t) { return Failing<ssize_t>(); };
  };
  const auto noStat = [](platform::SystemCalls& c) {
    c.stat = [](const char*, struct stat*) { return Failing<int>(); };
  };
  const auto modulePath = [](platform::PosixOs& os, platform::Handle) {
    char path[261];
    return os.ModuleFileName(path, sizeof path) != 0;
  };
  // Whether the folder of a missing file exists is asked with stat too.
  const auto openMissing = [](platform::PosixOs& os, platform::Handle) {
    return os.OpenFile("/tmp/vimbrel-no-such-file.mve", platform::kGenericRead, 3,
                       platform::kOpenExisting) != platform::kInvalidHandle;
  };
  const std::vector<Case> cases = {
      {"write on a full disk", ENOSPC, noWrite, write},
      {"write over quota", EDQUOT, noWrite, write},
      {"write to a pipe without reader", EPIPE, noWrite, write},
      {"read of a bad sector", EIO, noRead, read},
      {"read of a closed descriptor", EBADF, noRead, read},
      {"size of a file too large", EOVERFLOW, noFstat, size},
      {"size on a failing device", EIO, noFstat, size},
      {"identity on a failing device", EIO, noFstat, identity},
      {"seek before the start", EINVAL, noLseek, seek, 131},
      {"seek on a pipe", ESPIPE, noLseek, seek},
      {"close of a bad descriptor", EBADF, noClose, close},
      {"close losing written data", EIO, noClose, close},
      {"an errno Windows has no word for", EXDEV, noWrite, write},
      {"the program's own path unreadable", EACCES, noReadlink, modulePath},
      // The open's own ENOENT, in a folder taken for missing.
      {"a missing file whose folder cannot be asked about", EACCES, noStat, openMissing, 3},
  };
  const std::string path = MakeFile("in", Pattern(1000));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    script = Script{};
    script.failErrno = c.failErrno;
    platform::SystemCalls calls = platform::RealSystemCalls();
    c.breakCall(calls);
    platform::PosixOs os({}, calls);
    const platform::Handle handle = os.OpenFile(
        path.c_str(), platform::kGenericRead | platform::kGenericWrite, 3, platform::kOpenExisting);
    ASSERT_NE(handle, platform::kInvalidHandle);
    script.opened = true;
    EXPECT_FALSE(c.operation(os, handle));
    EXPECT_EQ(os.LastError(), c.code != 0 ? c.code : test_data::Win32NumberOf(c.failErrno));
    ::close(static_cast<int>(handle));
  }
  EXPECT_EQ(ReadAll(path), Pattern(1000)) << "a failed write changed the file";
}

TEST_F(PosixOsTest, FailedOpensGiveTheirWin32Codes) {
  const std::string path = MakeFile("in", "x");
  // Only a device has its mode changed after the open; opened to read alone,
  // it would be refused before.
  const char device[] = "/dev/null";
  struct Case {
    const char* what;
    bool failOpen;  // else the F_SETFL after the open fails
    int failErrno;  // its number in the errno-to-Win32 table is the code
  };
  for (const Case& c : {Case{"permission denied", true, EACCES},
                        Case{"too many open files", true, EMFILE},
                        Case{"no such file", true, ENOENT},
                        Case{"mode change refused", false, EINVAL}}) {
    SCOPED_TRACE(c.what);
    script = Script{};
    script.failErrno = c.failErrno;
    platform::SystemCalls calls = platform::RealSystemCalls();
    // Every descriptor opened before the failure is given back.
    static int opens;
    static int closes;
    opens = closes = 0;
    if (c.failOpen) {
      calls.open = [](const char*, int, mode_t) { return Failing<int>(); };
    } else {
      calls.open = [](const char* name, int flags, mode_t mode) {
        const int fd = ::open(name, flags, mode);
        if (fd >= 0) ++opens;
        return fd;
      };
      calls.fcntl = [](int fd, int command, int argument) {
        return command == F_SETFL ? Failing<int>() : ::fcntl(fd, command, argument);
      };
    }
    calls.close = [](int fd) {
      ++closes;
      return ::close(fd);
    };
    platform::PosixOs os({}, calls);
    EXPECT_EQ(c.failOpen ? os.OpenFile(path.c_str(), platform::kGenericRead, 3,
                                       platform::kOpenExisting)
                         : os.OpenFile(device, platform::kGenericRead | platform::kGenericWrite,
                                       3, platform::kOpenExisting),
              platform::kInvalidHandle);
    EXPECT_EQ(os.LastError(), test_data::Win32NumberOf(c.failErrno));
    EXPECT_EQ(closes, opens);
  }
}

}  // namespace
}  // namespace reliability
