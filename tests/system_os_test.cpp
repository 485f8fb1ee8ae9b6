// The real operating-system layer of this build, POSIX or Win32, on a real
// file: what the file records rely on and the fake cannot show.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/system.h"

namespace {

using platform::SeekOrigin;

// The end test asks for the position after reads, and the second phase seeks
// from the start after nothing but an open: both origins must hold wherever
// the position stands.
TEST(SystemOs, SeeksAfterAReadFromEitherOrigin) {
  const std::unique_ptr<platform::System> system = platform::MakeRealSystem(0, nullptr);
  platform::Os& os = *system;
  // In the test's own working folder, so that builds running side by side
  // never share it.
  const char* const path = "system_os_seek_test.bin";
  const platform::Handle file =
      os.OpenFile(path, platform::kGenericRead | platform::kGenericWrite,
                  platform::kShareRead | platform::kShareWrite, platform::kOpenAlways);
  ASSERT_NE(file, platform::kInvalidHandle) << os.LastError();
  std::string bytes(100, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 3 + 1);
  std::uint32_t moved = 0;
  ASSERT_TRUE(os.Write(file, bytes.data(), 100, &moved));

  struct {
    std::uint32_t readFirst;
    SeekOrigin origin;
    std::int64_t distance;
    std::int64_t position;
  } const rows[] = {
      {10, SeekOrigin::kBegin, 26, 26},     {10, SeekOrigin::kCurrent, 0, 10},
      {10, SeekOrigin::kCurrent, 5, 15},    {40, SeekOrigin::kBegin, 0, 0},
      {40, SeekOrigin::kCurrent, -15, 25},  {100, SeekOrigin::kCurrent, 0, 100},
      {10, SeekOrigin::kBegin, 150, 150},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.readFirst) + " read, then " +
                 (row.origin == SeekOrigin::kBegin ? "from the start " : "from here ") +
                 std::to_string(row.distance));
    char buffer[100];
    ASSERT_TRUE(os.Seek(file, 0, SeekOrigin::kBegin, nullptr));
    ASSERT_TRUE(os.Read(file, buffer, row.readFirst, &moved));
    ASSERT_EQ(moved, row.readFirst);
    std::int64_t position = -1;
    ASSERT_TRUE(os.Seek(file, row.distance, row.origin, &position));
    EXPECT_EQ(position, row.position);
    // The next read starts where the seek said.
    ASSERT_TRUE(os.Read(file, buffer, 1, &moved));
    if (row.position < 100) {
      ASSERT_EQ(moved, 1u);
      EXPECT_EQ(buffer[0], bytes[static_cast<std::size_t>(row.position)]);
    } else {
      EXPECT_EQ(moved, 0u);
    }
  }
  EXPECT_TRUE(os.Close(file));
  std::remove(path);
}

}  // namespace
