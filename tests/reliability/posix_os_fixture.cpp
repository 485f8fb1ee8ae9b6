#include "reliability/posix_os_fixture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace reliability {

Script script;

namespace {

bool Interrupted() {
  return script.interruptEveryOther && ++script.transferCalls % 2 == 1;
}

std::size_t Cut(std::size_t count) {
  return script.maxChunk != 0 && count > script.maxChunk ? script.maxChunk : count;
}

}  // namespace

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

void PosixOsTest::SetUp() {
  script = Script{};
  char pattern[] = "/tmp/vimbrel-posix-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  folder_ = pattern;
  calls_ = platform::RealSystemCalls();
}

void PosixOsTest::TearDown() {
  for (const std::string& path : created_) ::unlink(path.c_str());
  ::rmdir(folder_.c_str());
}

std::string PosixOsTest::MakeFile(const std::string& name, const std::string& bytes) {
  const std::string path = folder_ + "/" + name;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ::close(fd);
  created_.push_back(path);
  return path;
}

std::string PosixOsTest::Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  return bytes;
}

std::string PosixOsTest::ReadAll(const std::string& path) {
  std::string bytes;
  const int fd = ::open(path.c_str(), O_RDONLY);
  char chunk[4096];
  for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) > 0;) bytes.append(chunk, got);
  ::close(fd);
  return bytes;
}

}  // namespace reliability
