// What the POSIX build adds to stand in for Windows: exit statuses of 8
// bits, Win32 error numbers for errno values, and the command line rebuilt
// from argv.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "data/errno_table.h"
#include "platform/posix/exit_status.h"
#include "platform/posix/posix_os.h"
#include "platform/posix/win32_errors.h"

namespace {

TEST(Posix, ExitStatusKeepsEveryFailureNonZero) {
  struct {
    std::uint32_t code;
    int status;
  } const cases[] = {
      {0, 0},     {2, 2},       {103, 103},  {255, 255},       {256, 255},
      {257, 1},   {512, 255},   {1224, 200}, {1280, 255},      {0xFFFFFFFFu, 255},
      {0x10000u, 255}, {0x10001u, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::PosixExitStatus(c.code), c.status) << c.code;
}

TEST(Posix, ErrnoGivesTheWin32Number) {
  const std::vector<test_data::ErrnoRow> table = test_data::ErrnoTable();
  ASSERT_FALSE(table.empty());
  for (const test_data::ErrnoRow& row : table) {
    EXPECT_EQ(platform::Win32ErrorFromErrno(row.errnoValue), row.win32) << row.name;
  }
  for (int errnoValue = 0; errnoValue < 200; ++errnoValue) {
    EXPECT_NE(platform::Win32ErrorFromErrno(errnoValue), 0u) << errnoValue;
  }
}

TEST(Posix, MissingFolderOnTheWayIs3) {
  char folder[] = "/tmp/vimbrel-posix-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const std::string base = folder;
  const int fd = ::open((base + "/file").c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ::close(fd);
  struct {
    std::string path;
    std::uint32_t error;
  } const cases[] = {
      {base + "/missing.mve", 2},
      {base + "/no folder/missing.mve", 3},
      {base + "/no/folder/missing.mve", 3},
      {base + "/file/missing.mve", 3},
      {base, 5},
  };
  platform::PosixOs os({}, platform::RealSystemCalls());
  for (const auto& c : cases) {
    EXPECT_EQ(os.OpenFile(c.path.c_str(), platform::kGenericRead | platform::kGenericWrite, 3,
                          platform::kOpenExisting),
              platform::kInvalidHandle);
    EXPECT_EQ(os.LastError(), c.error) << c.path;
  }
  EXPECT_EQ(platform::Win32ErrorForPath(ENOENT, "missing.mve", ::stat), 2u);
  EXPECT_EQ(platform::Win32ErrorForPath(ENOENT, "/missing.mve", ::stat), 2u);
  ::unlink((base + "/file").c_str());
  ::rmdir(folder);
}

}  // namespace
