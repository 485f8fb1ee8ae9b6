// PosixOs's transfers on open descriptors, the standard handles and the
// process's end. How it opens files, tells what they are and reports its
// errors are in the other posix_*.cpp files.
#include "platform/posix/posix_os.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/exit_status.h"

namespace platform {

PosixOs::PosixOs(std::vector<std::string> arguments, const SystemCalls& calls)
    : arguments_(std::move(arguments)), calls_(calls) {}

bool PosixOs::Read(Handle handle, void* buffer, std::uint32_t count,
                   std::uint32_t* transferred) {
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t got = calls_.read(DescriptorOf(handle), static_cast<char*>(buffer) + done,
                                    count - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return FailFromErrno();
    }
    if (got == 0) break;  // end of file
    done += static_cast<std::uint32_t>(got);
  }
  *transferred = done;
  return true;
}

bool PosixOs::Write(Handle handle, const void* buffer, std::uint32_t count,
                    std::uint32_t* transferred) {
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t put = calls_.write(DescriptorOf(handle),
                                     static_cast<const char*>(buffer) + done, count - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return FailFromErrno();
    }
    if (put == 0) break;  // the device takes nothing more: a short write
    done += static_cast<std::uint32_t>(put);
  }
  *transferred = done;
  return true;
}

// A terminal shows the bytes as they are: it reads them in the same encoding
// as the names that they carry.
bool PosixOs::IsConsole(Handle /*handle*/) { return false; }

bool PosixOs::WriteConsoleText(Handle handle, const char* text, std::uint32_t count) {
  std::uint32_t written = 0;
  return Write(handle, text, count, &written);
}

std::uint32_t PosixOs::WholeCharacters(const char* /*text*/, std::uint32_t count) { return count; }

bool PosixOs::FileSize(Handle handle, std::int64_t* size) {
  struct stat status;
  if (calls_.fstat(DescriptorOf(handle), &status) != 0) return FailFromErrno();
  *size = static_cast<std::int64_t>(status.st_size);
  return true;
}

bool PosixOs::Seek(Handle handle, std::int64_t distance, SeekOrigin origin,
                   std::int64_t* position) {
  if (origin == SeekOrigin::kBegin && distance < 0) return Fail(error::kNegativeSeek, EINVAL);
  const off_t reached = calls_.lseek(DescriptorOf(handle), static_cast<off_t>(distance),
                                     origin == SeekOrigin::kBegin ? SEEK_SET : SEEK_CUR);
  // With a valid origin, EINVAL says the position would fall before the
  // start, which Windows tells apart.
  if (reached < 0 && errno == EINVAL) return Fail(error::kNegativeSeek, EINVAL);
  if (reached < 0) return FailFromErrno();
  if (position != nullptr) *position = static_cast<std::int64_t>(reached);
  return true;
}

bool PosixOs::SetEndOfFile(Handle handle) {
  const off_t position = calls_.lseek(DescriptorOf(handle), 0, SEEK_CUR);
  if (position < 0 || calls_.ftruncate(DescriptorOf(handle), position) != 0) {
    return FailFromErrno();
  }
  return true;
}

bool PosixOs::Close(Handle handle) {
  // After EINTR Linux has released the descriptor all the same.
  if (calls_.close(DescriptorOf(handle)) != 0 && errno != EINTR) return FailFromErrno();
  return true;
}

Handle PosixOs::StandardHandle(StdHandle which) {
  const int fd = which == StdHandle::kOutput  ? STDOUT_FILENO
                 : which == StdHandle::kError ? STDERR_FILENO
                                              : STDIN_FILENO;
  if (calls_.fcntl(fd, F_GETFD, 0) < 0) {
    FailFromErrno();
    return kInvalidHandle;
  }
  return fd;
}

void PosixOs::WriteErrorLine(const std::string& text) {
  const std::string line = text + "\n";
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t put = calls_.write(STDERR_FILENO, line.data() + done, line.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return;
    done += static_cast<std::size_t>(put);
  }
}

void PosixOs::Exit(std::uint32_t status) { ::_exit(PosixExitStatus(status)); }

std::unique_ptr<System> MakeRealSystem(int argc, char** argv) {
  return std::make_unique<PosixOs>(std::vector<std::string>(argv, argv + argc),
                                   RealSystemCalls());
}

}  // namespace platform
