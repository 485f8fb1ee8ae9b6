#include "platform/posix/posix_os.h"

#include <fcntl.h>
#include <link.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/exit_status.h"
#include "platform/posix/win32_errors.h"

namespace platform {
namespace {

// Only a regular file is a disk file: a block device reports no size, so as
// an input it would be joined as if it were empty.
FileType TypeOf(const struct stat& status) {
  if (S_ISREG(status.st_mode)) return FileType::kDisk;
  if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return FileType::kChar;
  if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) return FileType::kPipe;
  return FileType::kUnknown;
}

// A pipe has an identity as much as a file: `/dev/stdout` and a FIFO's name
// lead to the very pipe standard output may be.
PathKind IdentityOf(const struct stat& status, FileIdentity* identity) {
  const FileType type = TypeOf(status);
  if (type != FileType::kDisk && type != FileType::kPipe) return PathKind::kOther;
  *identity = FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                           static_cast<std::uint64_t>(status.st_ino)};
  return type == FileType::kDisk ? PathKind::kDiskFile : PathKind::kPipe;
}

int DescriptorOf(Handle handle) { return static_cast<int>(handle); }

// A FIFO written to waits for its reader, as a shell's redirection does: the
// user may start the player after the program. Read from, it is refused as
// no disk file, without waiting for a writer first.
bool WaitsForReader(const struct stat& status, int flags) {
  return S_ISFIFO(status.st_mode) && (flags & O_ACCMODE) != O_RDONLY;
}

}  // namespace

SystemCalls RealSystemCalls() {
  SystemCalls calls;
  calls.open = [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); };
  calls.read = ::read;
  calls.write = ::write;
  calls.lseek = ::lseek;
  calls.fstat = ::fstat;
  calls.stat = ::stat;
  calls.ftruncate = ::ftruncate;
  calls.close = ::close;
  calls.fcntl = [](int fd, int command, int argument) { return ::fcntl(fd, command, argument); };
  calls.readlink = ::readlink;
  calls.signal = ::signal;
  return calls;
}

void PrepareProcess(const SystemCalls& calls) {
  // Should either fail, the process runs as it would have without it.
  calls.signal(SIGPIPE, SIG_IGN);
  calls.signal(SIGXFSZ, SIG_IGN);
}

void PrepareProcess() { PrepareProcess(RealSystemCalls()); }

PosixOs::PosixOs(std::vector<std::string> arguments, const SystemCalls& calls)
    : arguments_(std::move(arguments)), calls_(calls) {}

bool PosixOs::Fail(std::uint32_t win32Error, int cause) {
  lastError_ = win32Error;
  lastErrno_ = cause;
  return false;
}

bool PosixOs::FailFromErrno() {
  const int cause = errno;
  return Fail(Win32ErrorFromErrno(cause), cause);
}

// Telling a missing file from a missing folder queries the folder, which may
// change errno.
bool PosixOs::FailForPath(const char* path) {
  const int cause = errno;
  return Fail(Win32ErrorForPath(cause, path, calls_.stat), cause);
}

// Opens the file a name descriptor holds (O_PATH, or any descriptor of it)
// anew with `flags`, through its /proc/self/fd link. The descriptor tells the
// file's type before anything that could wait is done. Without /proc (a
// chroot may lack it) the link is missing, and the name is opened again, the
// way that never waits but for a FIFO's reader.
int PosixOs::OpenNamed(int nameFd, const char* path, int flags) {
  struct stat status;
  if (calls_.fstat(nameFd, &status) != 0) return -1;
  if (S_ISSOCK(status.st_mode)) {
    // A socket cannot be opened by its name at all; it is no file to join.
    errno = EOPNOTSUPP;
    return -1;
  }
  const std::string link = "/proc/self/fd/" + std::to_string(nameFd);
  flags |= O_CLOEXEC | O_NOCTTY;
  if (S_ISFIFO(status.st_mode) && (flags & O_ACCMODE) == O_RDWR) {
    // A read-write FIFO counts the process as its own reader: once the real
    // reader is gone, writes would block for ever instead of failing.
    // Write-only, a vanished reader breaks the pipe, and a reader sees one
    // writer, once.
    flags = (flags & ~O_ACCMODE) | O_WRONLY;
  }
  const bool waitsForReader = WaitsForReader(status, flags);
  // An ordinary file opens the blocking way: while another process holds a
  // lease on it (NFS and Samba servers do), the open waits for its release,
  // as Windows waits for an oplock to break.
  const bool ordinary = S_ISREG(status.st_mode) || S_ISDIR(status.st_mode);
  const int fd = OpenAs(link.c_str(), flags, ordinary || waitsForReader);
  if (fd >= 0 || errno != ENOENT) return fd;
  return OpenAs(path, flags, waitsForReader);
}

int PosixOs::OpenAs(const char* name, int flags, bool waits) {
  return waits ? calls_.open(name, flags, 0) : OpenWithoutWaiting(name, flags);
}

// A FIFO's open waits for its other end, a device's may wait too: these open
// without blocking, and transfers then block as Windows' synchronous I/O
// does.
int PosixOs::OpenWithoutWaiting(const char* name, int flags) {
  const int fd = calls_.open(name, flags | O_NONBLOCK, 0);
  if (fd < 0) return -1;
  const int statusFlags = calls_.fcntl(fd, F_GETFL, 0);
  if (statusFlags < 0 || calls_.fcntl(fd, F_SETFL, statusFlags & ~O_NONBLOCK) < 0) {
    const int savedErrno = errno;
    calls_.close(fd);
    errno = savedErrno;
    return -1;
  }
  return fd;
}

Handle PosixOs::OpenFile(const char* path, std::uint32_t access, std::uint32_t /*share*/,
                         std::uint32_t disposition) {
  // Windows' sharing flags have no POSIX counterpart: other processes may
  // always open the file.
  int flags = O_RDONLY;
  const bool reads = (access & kGenericRead) != 0;
  const bool writes = (access & kGenericWrite) != 0;
  if (reads && writes) {
    flags = O_RDWR;
  } else if (writes) {
    flags = O_WRONLY;
  }
  // Opened to write, an existing file keeps its bytes until SetEndOfFile
  // cuts them: its caller first makes sure it is the file meant.
  const bool create = disposition == kOpenAlways;

  // A name descriptor never blocks and breaks no lease.
  int nameFd = calls_.open(path, O_PATH | O_CLOEXEC, 0);
  if (nameFd < 0 && errno == ENOENT && create) {
    // A new file, through a dangling link too. Should a FIFO have appeared
    // by the name meanwhile, O_NONBLOCK keeps this open from waiting; the
    // open by descriptor gives the file its real flags either way.
    nameFd = calls_.open(path, (flags & O_ACCMODE) | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY,
                         0666);
  }
  if (nameFd < 0) {
    FailForPath(path);
    return kInvalidHandle;
  }
  const int fd = OpenNamed(nameFd, path, flags);
  const int savedErrno = errno;
  // Linux releases the name descriptor whatever close reports.
  calls_.close(nameFd);
  if (fd < 0) {
    errno = savedErrno;
    FailForPath(path);
    return kInvalidHandle;
  }
  return fd;
}

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

std::uint32_t PosixOs::LastError() { return lastError_; }

Handle PosixOs::StandardHandle(StdHandle which) {
  const int fd = which == StdHandle::kOutput ? STDOUT_FILENO : STDIN_FILENO;
  if (calls_.fcntl(fd, F_GETFD, 0) < 0) {
    FailFromErrno();
    return kInvalidHandle;
  }
  return fd;
}

FileType PosixOs::DeviceType(Handle handle) {
  struct stat status;
  if (calls_.fstat(DescriptorOf(handle), &status) != 0) {
    FailFromErrno();
    return FileType::kUnknown;
  }
  return TypeOf(status);
}

PathKind PosixOs::IdentityOfHandle(Handle handle, FileIdentity* identity) {
  struct stat status;
  if (calls_.fstat(DescriptorOf(handle), &status) != 0) {
    FailFromErrno();
    return PathKind::kUnknown;
  }
  return IdentityOf(status, identity);
}

PathKind PosixOs::IdentityOfPath(const char* path, FileIdentity* identity) {
  // stat opens nothing, so a FIFO or device is never disturbed by the asking.
  struct stat status;
  if (calls_.stat(path, &status) != 0) {
    FailForPath(path);
    return PathKind::kUnknown;
  }
  return IdentityOf(status, identity);
}

std::uint32_t PosixOs::ModuleFileName(char* buffer, std::uint32_t size) {
  if (size == 0) {
    Fail(error::kInsufficientBuffer, ERANGE);
    return 0;
  }
  char path[PATH_MAX];
  const ssize_t length = calls_.readlink("/proc/self/exe", path, sizeof path);
  if (length < 0) {
    FailFromErrno();
    return 0;
  }
  // As GetModuleFileNameA: a path that does not fit is cut to size - 1 bytes
  // and a terminator, and the call answers with the full size.
  const auto pathLength = static_cast<std::uint32_t>(length);
  const std::uint32_t kept = pathLength < size ? pathLength : size - 1;
  std::memcpy(buffer, path, kept);
  buffer[kept] = '\0';
  if (pathLength >= size) {
    Fail(error::kInsufficientBuffer, ERANGE);
    return size;
  }
  return kept;
}

std::uint32_t PosixOs::FileAttributes(const char* path) {
  struct stat status;
  if (calls_.stat(path, &status) != 0) {
    FailForPath(path);
    return kInvalidFileAttributes;
  }
  if (S_ISDIR(status.st_mode)) return kDirectoryAttribute;
  return S_ISREG(status.st_mode) ? kNormalAttribute : kDeviceAttribute;
}

std::uintptr_t PosixOs::ModuleBase(const void* code) {
  // The loaded object whose segments hold the address, and the start of its
  // lowest segment, where its file is mapped. Unlike dladdr, this answers for
  // a statically linked program too.
  struct Search {
    std::uintptr_t address;
    std::uintptr_t base;
  } search{reinterpret_cast<std::uintptr_t>(code), 0};
  ::dl_iterate_phdr(
      [](struct dl_phdr_info* object, std::size_t, void* data) {
        auto& search = *static_cast<Search*>(data);
        std::uintptr_t lowest = UINTPTR_MAX;
        bool holds = false;
        for (int i = 0; i < object->dlpi_phnum; ++i) {
          const auto& segment = object->dlpi_phdr[i];
          if (segment.p_type != PT_LOAD) continue;
          const std::uintptr_t start = object->dlpi_addr + segment.p_vaddr;
          lowest = std::min(lowest, start);
          holds = holds || (search.address >= start && search.address - start < segment.p_memsz);
        }
        if (holds) search.base = lowest;
        return holds ? 1 : 0;
      },
      &search);
  return search.base;
}

GivenArguments PosixOs::Arguments() { return GivenArguments{nullptr, &arguments_}; }

bool PosixOs::CommandLineKeepsEveryCharacter() { return true; }

std::string PosixOs::ErrorWords(std::uint32_t code) {
  return code == lastError_ ? std::strerror(lastErrno_) : "unknown error";
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
