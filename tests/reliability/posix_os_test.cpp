// PosixOs on real files, with its system calls interrupted, cut short or
// failed through its SystemCalls table: transfers still move the whole count,
// and failures come out as the Win32 codes the rest of the program expects.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/posix/posix_os.h"

namespace {

// What the scripted calls do; reset by every test.
struct Script {
  bool interruptEveryOther = false;  // every other transfer call fails with EINTR
  std::size_t maxChunk = 0;          // a transfer moves at most this much; 0: no limit
  bool writeTakesNothing = false;    // write answers 0 bytes
  int failErrno = 0;                 // the failing call sets this errno
  bool opened = false;               // the file is open: a broken fstat fails from now on
  int transferCalls = 0;
} script;

bool Interrupted() {
  return script.interruptEveryOther && ++script.transferCalls % 2 == 1;
}

std::size_t Cut(std::size_t count) {
  return script.maxChunk != 0 && count > script.maxChunk ? script.maxChunk : count;
}

ssize_t ChoppyRead(int fd, void* buffer, std::size_t count) {
  if (Interrupted()) {
    errno = EINTR;
    return -1;
  }
  return ::read(fd, buffer, Cut(count));
}

ssize_t ChoppyWrite(int fd, const void* buffer, std::size_t count) {
  if (Interrupted()) {
    errno = EINTR;
    return -1;
  }
  if (script.writeTakesNothing) return 0;
  return ::write(fd, buffer, Cut(count));
}

template <typename Result>
Result Failing() {
  errno = script.failErrno;
  return static_cast<Result>(-1);
}

class PosixOsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    script = Script{};
    char pattern[] = "/tmp/vimbrel-posix-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = pattern;
    calls_ = platform::RealSystemCalls();
  }
  void TearDown() override {
    for (const std::string& path : created_) ::unlink(path.c_str());
    ::rmdir(folder_.c_str());
  }

  std::string MakeFile(const std::string& name, const std::string& bytes) {
    const std::string path = folder_ + "/" + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
    created_.push_back(path);
    return path;
  }

  static std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    return bytes;
  }

  static std::string ReadAll(const std::string& path) {
    std::string bytes;
    const int fd = ::open(path.c_str(), O_RDONLY);
    char chunk[4096];
    for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) > 0;) bytes.append(chunk, got);
    ::close(fd);
    return bytes;
  }

  std::string folder_;
  std::vector<std::string> created_;
  platform::SystemCalls calls_;
};

TEST_F(PosixOsTest, ReadMovesTheWholeCountThroughInterruptionsAndShortReads) {
  const std::string bytes = Pattern(100000);
  const std::string path = MakeFile("in", bytes);
  script.interruptEveryOther = true;
  script.maxChunk = 777;
  calls_.read = ChoppyRead;
  platform::PosixOs os({}, calls_);
  const platform::Handle handle =
      os.OpenFile(path.c_str(), platform::kGenericRead, 3, platform::kOpenExisting);
  ASSERT_NE(handle, platform::kInvalidHandle);

  std::string buffer(100000, '\0');
  std::uint32_t transferred = 0;
  ASSERT_TRUE(os.Read(handle, buffer.data(), 100000, &transferred));
  EXPECT_EQ(transferred, 100000u);
  EXPECT_TRUE(buffer == bytes);
  // At the end of the file the read stops short, without an error.
  ASSERT_TRUE(os.Read(handle, buffer.data(), 100000, &transferred));
  EXPECT_EQ(transferred, 0u);
  EXPECT_GT(script.transferCalls, 2 * (100000 / 777));
  EXPECT_TRUE(os.Close(handle));
}

TEST_F(PosixOsTest, WriteMovesTheWholeCountThroughInterruptionsAndShortWrites) {
  const std::string bytes = Pattern(100000);
  const std::string path = folder_ + "/out";
  created_.push_back(path);
  script.interruptEveryOther = true;
  script.maxChunk = 777;
  calls_.write = ChoppyWrite;
  platform::PosixOs os({}, calls_);
  const platform::Handle handle = os.OpenFile(
      path.c_str(), platform::kGenericRead | platform::kGenericWrite, 3, platform::kCreateAlways);
  ASSERT_NE(handle, platform::kInvalidHandle);

  std::uint32_t transferred = 0;
  ASSERT_TRUE(os.Write(handle, bytes.data(), 100000, &transferred));
  EXPECT_EQ(transferred, 100000u);
  EXPECT_TRUE(os.Close(handle));
  EXPECT_TRUE(ReadAll(path) == bytes);
}

TEST_F(PosixOsTest, AWriteTheDeviceTakesNothingOfIsShort) {
  const std::string path = folder_ + "/out";
  created_.push_back(path);
  script.writeTakesNothing = true;
  calls_.write = ChoppyWrite;
  platform::PosixOs os({}, calls_);
  const platform::Handle handle = os.OpenFile(
      path.c_str(), platform::kGenericRead | platform::kGenericWrite, 3, platform::kCreateAlways);
  std::uint32_t transferred = 99;
  EXPECT_TRUE(os.Write(handle, "abc", 3, &transferred));
  EXPECT_EQ(transferred, 0u);
  os.Close(handle);
}

// Each system call failed with a typical errno gives the Win32 code Windows
// gives for the same condition.
TEST_F(PosixOsTest, FailedCallsGiveTheirWin32Codes) {
  struct Case {
    const char* what;
    int failErrno;
    std::function<void(platform::SystemCalls&)> breakCall;
    std::function<bool(platform::PosixOs&, platform::Handle)> operation;  // false: failed
    std::uint32_t code;
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
      {"write on a full disk", ENOSPC, noWrite, write, 112},
      {"write over quota", EDQUOT, noWrite, write, 112},
      {"write to a pipe without reader", EPIPE, noWrite, write, 232},
      {"read of a bad sector", EIO, noRead, read, 1117},
      {"read of a closed descriptor", EBADF, noRead, read, 6},
      {"size of a file too large", EOVERFLOW, noFstat, size, 223},
      {"size on a failing device", EIO, noFstat, size, 1117},
      {"identity on a failing device", EIO, noFstat, identity, 1117},
      {"seek to an impossible place", EINVAL, noLseek, seek, 87},
      {"seek on a pipe", ESPIPE, noLseek, seek, 132},
      {"close of a bad descriptor", EBADF, noClose, close, 6},
      {"close losing written data", EIO, noClose, close, 1117},
      {"an errno Windows has no word for", EXDEV, noWrite, write, 31},
      {"the program's own path unreadable", EACCES, noReadlink, modulePath, 5},
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
    EXPECT_EQ(os.LastError(), c.code);
    ::close(static_cast<int>(handle));
  }
  EXPECT_EQ(ReadAll(path), Pattern(1000)) << "a failed write changed the file";
}

TEST_F(PosixOsTest, AnInterruptedCloseHasReleasedTheDescriptor) {
  calls_.close = [](int fd) {
    ::close(fd);
    errno = EINTR;
    return -1;
  };
  platform::PosixOs os({}, calls_);
  const std::string path = MakeFile("in", "x");
  const platform::Handle handle =
      os.OpenFile(path.c_str(), platform::kGenericRead, 3, platform::kOpenExisting);
  EXPECT_TRUE(os.Close(handle));
}

TEST_F(PosixOsTest, FailedOpensGiveTheirWin32Codes) {
  const std::string path = MakeFile("in", "x");
  // Only a FIFO or device has its mode changed after the open.
  const std::string fifo = folder_ + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  created_.push_back(fifo);
  struct Case {
    const char* what;
    bool failOpen;  // else the F_SETFL after the open fails
    int failErrno;
    std::uint32_t code;
  };
  for (const Case& c : {Case{"permission denied", true, EACCES, 5},
                        Case{"too many open files", true, EMFILE, 4},
                        Case{"no such file", true, ENOENT, 2},
                        Case{"mode change refused", false, EINVAL, 87}}) {
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
    EXPECT_EQ(os.OpenFile((c.failOpen ? path : fifo).c_str(), platform::kGenericRead, 3,
                          platform::kOpenExisting),
              platform::kInvalidHandle);
    EXPECT_EQ(os.LastError(), c.code);
    EXPECT_EQ(closes, opens);
  }
}

// While another process's lease on an ordinary file is being broken, the
// open waits for the holder to give it up, as `cat` does, instead of failing.
TEST_F(PosixOsTest, AnOpenWaitsForALeaseToBeGivenUp) {
  const std::string path = MakeFile("leased", "movie");
  // The holder hears of the break through SIGIO, which would end the test.
  const auto previous = ::signal(SIGIO, SIG_IGN);
  const int holder = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::fcntl(holder, F_SETLEASE, F_WRLCK), 0) << std::strerror(errno);
  // Given up only once an open has begun to break it: F_GETLEASE then
  // answers the lease the holder must go down to.
  std::thread release([holder] {
    for (int wait = 0; wait < 20000 && ::fcntl(holder, F_GETLEASE) == F_WRLCK; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::fcntl(holder, F_SETLEASE, F_UNLCK);
  });
  platform::PosixOs os({}, calls_);
  const platform::Handle handle =
      os.OpenFile(path.c_str(), platform::kGenericRead, 3, platform::kOpenExisting);
  release.join();
  ::close(holder);
  ::signal(SIGIO, previous);
  ASSERT_NE(handle, platform::kInvalidHandle) << "error " << os.LastError();
  std::string buffer(5, '\0');
  std::uint32_t transferred = 0;
  EXPECT_TRUE(os.Read(handle, buffer.data(), 5, &transferred));
  EXPECT_EQ(buffer, "movie");
  EXPECT_TRUE(os.Close(handle));
}

// A chroot may lack /proc, through which a file named by its name descriptor
// is opened: the name is opened again instead.
TEST_F(PosixOsTest, WithoutProcFilesStillOpen) {
  calls_.open = [](const char* name, int flags, mode_t mode) {
    if (std::strncmp(name, "/proc/", 6) == 0) return Failing<int>();
    return ::open(name, flags, mode);
  };
  script.failErrno = ENOENT;
  platform::PosixOs os({}, calls_);
  const std::string input = MakeFile("in", "movie");
  const std::string output = folder_ + "/out";
  created_.push_back(output);
  for (const auto& [path, access, disposition] :
       {std::tuple{input, platform::kGenericRead, platform::kOpenExisting},
        std::tuple{output, platform::kGenericRead | platform::kGenericWrite,
                   platform::kCreateAlways}}) {
    SCOPED_TRACE(path);
    const platform::Handle handle = os.OpenFile(path.c_str(), access, 3, disposition);
    ASSERT_NE(handle, platform::kInvalidHandle) << "error " << os.LastError();
    std::uint32_t transferred = 0;
    char buffer[8];
    EXPECT_TRUE(os.Read(handle, buffer, sizeof buffer, &transferred));
    EXPECT_EQ(transferred, path == input ? 5u : 0u);
    EXPECT_TRUE(os.Close(handle));
  }
}

// A FIFO output is opened once and write-only: its reader never sees a
// writer come and go before the join, and receives every byte.
TEST_F(PosixOsTest, AFifoOutputIsOpenedOnceWriteOnly) {
  const std::string fifo = folder_ + "/out.mve";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  created_.push_back(fifo);
  static std::vector<int> accessModes;  // of each open that is no name descriptor
  accessModes.clear();
  calls_.open = [](const char* name, int flags, mode_t mode) {
    if ((flags & O_PATH) == 0) accessModes.push_back(flags & O_ACCMODE);
    return ::open(name, flags, mode);
  };
  // The reader waits before the join starts, as a player would.
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  platform::PosixOs os({}, calls_);
  const platform::Handle handle = os.OpenFile(
      fifo.c_str(), platform::kGenericRead | platform::kGenericWrite, 3, platform::kCreateAlways);
  ASSERT_NE(handle, platform::kInvalidHandle) << "error " << os.LastError();
  EXPECT_EQ(accessModes, std::vector<int>{O_WRONLY});
  ASSERT_EQ(::fcntl(reader, F_SETFL, 0), 0);
  std::string received;
  std::thread read([reader, &received] {
    char chunk[4096];
    for (ssize_t got; (got = ::read(reader, chunk, sizeof chunk)) > 0;) received.append(chunk, got);
  });
  // More than the pipe holds.
  const std::string bytes = Pattern(300000);
  std::uint32_t transferred = 0;
  EXPECT_TRUE(os.Write(handle, bytes.data(), 300000, &transferred));
  EXPECT_TRUE(os.Close(handle));
  read.join();
  ::close(reader);
  EXPECT_EQ(transferred, 300000u);
  EXPECT_TRUE(received == bytes);
}

}  // namespace
