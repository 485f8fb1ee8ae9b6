// The real system calls behind PosixOs, and the process set-up made with them.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include "platform/posix/posix_os.h"

namespace platform {

SystemCalls RealSystemCalls() {
  SystemCalls calls;
  calls.open = [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); };
  calls.read = ::read;
  calls.write = ::write;
  calls.lseek = ::lseek;
  calls.fstat = ::fstat;
  calls.stat = ::stat;
  calls.fstatfs = ::fstatfs;
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

}  // namespace platform
