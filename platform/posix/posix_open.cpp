// How PosixOs opens a file by name: what it refuses before anything is
// opened, and which opens may wait.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/posix/posix_os.h"

namespace platform {

// Opens the file a name descriptor holds (O_PATH, or any descriptor of it)
// anew with `flags`, through its /proc/self/fd link, which leads to that very
// file whatever the name leads to by then. The descriptor tells the file's
// type before anything that could wait or act is done. Without /proc (a
// chroot may lack it) the link is missing, and the name is opened again, the
// way that never waits but for a FIFO's reader: a device put in its place in
// between is opened then, though refused before a byte of it is read.
int PosixOs::OpenNamed(int nameFd, const char* path, int flags) {
  struct stat status;
  if (calls_.fstat(nameFd, &status) != 0) return -1;
  // A socket cannot be opened by its name at all. Read from, a FIFO or
  // device has no movie to give, and opening it may act already: a tape
  // rewinds when closed, a watchdog starts.
  const bool readsAlone = (flags & O_ACCMODE) == O_RDONLY;
  if (S_ISSOCK(status.st_mode) ||
      (readsAlone && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode))) {
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
  // A FIFO, written to, waits for its reader, as a shell's redirection does:
  // the user may start the player after the program.
  const bool waitsForReader = S_ISFIFO(status.st_mode);
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

// A device's open may wait: it opens without blocking, and transfers then
// block as Windows' synchronous I/O does.
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

}  // namespace platform
