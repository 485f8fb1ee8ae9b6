#include "reliability/posix_counted_calls.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "data/errno_table.h"

namespace reliability {

const char* SysName(Sys sys) {
  static const char* const names[] = {"open",  "read",  "write", "lseek",    "fstat", "stat",
                                      "ftruncate", "close", "fcntl", "readlink", "signal",
                                      "fstatfs"};
  return names[static_cast<int>(sys)];
}

int ErrnoFor(Sys sys) {
  switch (sys) {
    case Sys::kOpen: return EACCES;
    case Sys::kRead: return EIO;
    case Sys::kWrite: return ENOSPC;
    case Sys::kLseek: return ESPIPE;
    case Sys::kFstat: return EOVERFLOW;
    case Sys::kStat: return EACCES;
    case Sys::kFtruncate: return EFBIG;
    case Sys::kClose: return EIO;
    case Sys::kFcntl: return EINVAL;
    case Sys::kReadlink: return EACCES;
    case Sys::kSignal: return EINVAL;
    case Sys::kFstatfs: return EIO;
  }
  return EIO;
}

std::uint32_t CodeFor(Sys sys) { return test_data::Win32NumberOf(ErrnoFor(sys)); }

Shared* shared = nullptr;
std::map<int, Target> fdTargets;

namespace {

Target TargetOfFd(int fd);

// A file is opened by name, then anew through /proc/self/fd/N.
Target TargetOfPath(const char* path) {
  constexpr char kFdLinks[] = "/proc/self/fd/";
  if (std::strncmp(path, kFdLinks, sizeof kFdLinks - 1) == 0) {
    return TargetOfFd(std::atoi(path + sizeof kFdLinks - 1));
  }
  for (int i = 0; i < 3; ++i) {
    if (std::strcmp(path, shared->paths[i]) == 0) return static_cast<Target>(i + 1);
  }
  return Target::kOther;
}

Target TargetOfFd(int fd) {
  if (fd == STDOUT_FILENO) return Target::kStdout;
  const auto found = fdTargets.find(fd);
  return found == fdTargets.end() ? Target::kOther : found->second;
}

// Counts the call; true when it is the one to fail, errno then set.
bool Fails(Sys sys, Target target, int fd) {
  const int n = ++shared->count;
  if (n <= kMaxEntries) shared->log[n - 1] = Entry{sys, target, fd, true, false};
  if (shared->failAt == 0 || n < shared->failAt || (n > shared->failAt && !shared->failLasts)) {
    return false;
  }
  if (n <= kMaxEntries) shared->log[n - 1].ok = false;
  errno = ErrnoFor(sys);
  return true;
}

bool Interrupted() {
  static int transfers = 0;
  if (shared->choppy && ++transfers % 2 == 1) {
    errno = EINTR;
    return true;
  }
  return false;
}

std::size_t Cut(std::size_t count) { return shared->choppy && count > 4093 ? 4093 : count; }

}  // namespace

platform::SystemCalls CountedCalls() {
  platform::SystemCalls calls;
  calls.open = [](const char* path, int flags, mode_t mode) {
    const Target target = TargetOfPath(path);
    const bool fails = Fails(Sys::kOpen, target, -1);
    if (shared->count <= kMaxEntries) shared->log[shared->count - 1].names = (flags & O_PATH) != 0;
    if (fails) return -1;
    const int fd = ::open(path, flags, mode);
    if (fd >= 0) {
      fdTargets[fd] = target;
      if (shared->count <= kMaxEntries) shared->log[shared->count - 1].fd = fd;
    }
    return fd;
  };
  calls.read = [](int fd, void* buffer, std::size_t count) -> ssize_t {
    if (Fails(Sys::kRead, TargetOfFd(fd), fd)) return -1;
    if (Interrupted()) return -1;
    return ::read(fd, buffer, Cut(count));
  };
  calls.write = [](int fd, const void* buffer, std::size_t count) -> ssize_t {
    if (Fails(Sys::kWrite, TargetOfFd(fd), fd)) return -1;
    if (Interrupted()) return -1;
    return ::write(fd, buffer, Cut(count));
  };
  calls.lseek = [](int fd, off_t offset, int whence) -> off_t {
    if (Fails(Sys::kLseek, TargetOfFd(fd), fd)) return -1;
    return ::lseek(fd, offset, whence);
  };
  calls.fstat = [](int fd, struct stat* status) {
    if (Fails(Sys::kFstat, TargetOfFd(fd), fd)) return -1;
    return ::fstat(fd, status);
  };
  calls.stat = [](const char* path, struct stat* status) {
    if (Fails(Sys::kStat, TargetOfPath(path), -1)) return -1;
    return ::stat(path, status);
  };
  calls.fstatfs = [](int fd, struct statfs* status) {
    if (Fails(Sys::kFstatfs, TargetOfFd(fd), fd)) return -1;
    return ::fstatfs(fd, status);
  };
  calls.ftruncate = [](int fd, off_t length) {
    if (Fails(Sys::kFtruncate, TargetOfFd(fd), fd)) return -1;
    return ::ftruncate(fd, length);
  };
  calls.close = [](int fd) {
    const bool fails = Fails(Sys::kClose, TargetOfFd(fd), fd);
    // Linux releases the descriptor whatever close reports.
    const int result = ::close(fd);
    fdTargets.erase(fd);
    if (fails) {
      errno = ErrnoFor(Sys::kClose);
      return -1;
    }
    return result;
  };
  calls.fcntl = [](int fd, int command, int argument) {
    if (Fails(Sys::kFcntl, TargetOfFd(fd), fd)) return -1;
    return ::fcntl(fd, command, argument);
  };
  calls.readlink = [](const char* path, char* buffer, std::size_t size) -> ssize_t {
    if (Fails(Sys::kReadlink, Target::kOther, -1)) return -1;
    return ::readlink(path, buffer, size);
  };
  calls.signal = [](int number, void (*handler)(int)) {
    if (Fails(Sys::kSignal, Target::kOther, -1)) return SIG_ERR;
    return ::signal(number, handler);
  };
  return calls;
}

}  // namespace reliability
