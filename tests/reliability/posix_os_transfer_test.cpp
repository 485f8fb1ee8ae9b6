// PosixOs on real files with its transfers interrupted and cut short: reads
// and writes still move the whole count, and a close that reports an
// interruption has released the descriptor.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/posix/posix_os.h"
#include "reliability/posix_os_fixture.h"

namespace reliability {
namespace {

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
      path.c_str(), platform::kGenericRead | platform::kGenericWrite, 3, platform::kOpenAlways);
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
      path.c_str(), platform::kGenericRead | platform::kGenericWrite, 3, platform::kOpenAlways);
  std::uint32_t transferred = 99;
  EXPECT_TRUE(os.Write(handle, "abc", 3, &transferred));
  EXPECT_EQ(transferred, 0u);
  os.Close(handle);
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

}  // namespace
}  // namespace reliability
