// How PosixOs opens what is not a plain quiet file: one held under a lease,
// any file where /proc is missing, and a FIFO output.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/posix/posix_os.h"
#include "reliability/posix_os_fixture.h"

namespace reliability {
namespace {

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
                   platform::kOpenAlways}}) {
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

// Opened to read, a FIFO or device is refused (50) on what its name
// descriptor holds, and never opened itself, whatever the name led to when
// it was asked about before: opening a device can act on it.
TEST_F(PosixOsTest, NothingButAFileOrFolderIsOpenedToRead) {
  const std::string fifo = folder_ + "/pipe.mve";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  created_.push_back(fifo);
  const std::string file = MakeFile("in", "movie");
  static int realOpens;  // opens that are no name descriptor
  calls_.open = [](const char* name, int flags, mode_t mode) {
    if ((flags & O_PATH) == 0) ++realOpens;
    return ::open(name, flags, mode);
  };
  platform::PosixOs os({}, calls_);
  const std::string zero = "/dev/zero";
  const std::string null = "/dev/null";
  for (const auto& [path, opens] : {std::pair{fifo, false}, std::pair{zero, false},
                                    std::pair{null, false}, std::pair{file, true},
                                    std::pair{folder_, true}}) {
    SCOPED_TRACE(path);
    realOpens = 0;
    const platform::Handle handle =
        os.OpenFile(path.c_str(), platform::kGenericRead, 3, platform::kOpenExisting);
    EXPECT_EQ(handle != platform::kInvalidHandle, opens);
    EXPECT_EQ(realOpens, opens ? 1 : 0);
    if (handle != platform::kInvalidHandle) {
      EXPECT_TRUE(os.Close(handle));
    } else {
      EXPECT_EQ(os.LastError(), platform::error::kNotSupported);
    }
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
      fifo.c_str(), platform::kGenericRead | platform::kGenericWrite, 3, platform::kOpenAlways);
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
}  // namespace reliability
