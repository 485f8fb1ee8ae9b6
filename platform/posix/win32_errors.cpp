#include "platform/posix/win32_errors.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/os.h"

namespace platform {
namespace {

struct ErrnoMapping {
  int errnoValue;
  std::uint32_t win32Error;
};

constexpr ErrnoMapping kErrnoMappings[] = {
    {ENOENT, error::kFileNotFound},
    {ENOTDIR, error::kPathNotFound},
    {EMFILE, error::kTooManyOpenFiles},
    {ENFILE, error::kTooManyOpenFiles},
    {EACCES, error::kAccessDenied},
    {EPERM, error::kAccessDenied},
    {EISDIR, error::kAccessDenied},
    {EBADF, error::kInvalidHandle},
    {ENOMEM, 8},         // ERROR_NOT_ENOUGH_MEMORY
    {EROFS, 19},         // ERROR_WRITE_PROTECT
    {ENXIO, 21},         // ERROR_NOT_READY: a FIFO without a reader, a missing device
    {ENODEV, 21},
    {ETXTBSY, error::kSharingViolation},
    {EAGAIN, 33},        // ERROR_LOCK_VIOLATION: another process holds the file
    {EBUSY, 170},        // ERROR_BUSY
    {EEXIST, 80},        // ERROR_FILE_EXISTS
    {EINVAL, error::kInvalidParameter},
    {EOPNOTSUPP, error::kNotSupported},
    // Windows says 109 only to a reader whose writer has gone; a writer whose
    // reader has gone is told "the pipe is being closed".
    {EPIPE, error::kNoData},
    {ENOSPC, error::kDiskFull},
    {EDQUOT, error::kDiskFull},
    {ESPIPE, 132},       // ERROR_SEEK_ON_DEVICE
    {ENAMETOOLONG, error::kFileNameTooLong},
    {EFBIG, error::kFileTooLarge},
    {EOVERFLOW, error::kFileTooLarge},
    {EIO, 1117},         // ERROR_IO_DEVICE
    {ELOOP, 1921},       // ERROR_CANT_RESOLVE_FILENAME
};

}  // namespace

std::uint32_t Win32ErrorFromErrno(int errnoValue) {
  for (const ErrnoMapping& mapping : kErrnoMappings) {
    if (mapping.errnoValue == errnoValue) return mapping.win32Error;
  }
  return error::kGeneralFailure;
}

std::uint32_t Win32ErrorForPath(int errnoValue, const char* path,
                                int (*stat)(const char* path, struct stat* status)) {
  if (errnoValue != ENOENT) return Win32ErrorFromErrno(errnoValue);
  const char* lastSlash = std::strrchr(path, '/');
  if (lastSlash == nullptr) return error::kFileNotFound;
  std::string folder(path, static_cast<std::size_t>(lastSlash - path));
  if (folder.empty()) folder = "/";
  struct stat status;
  const bool folderExists = stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
  return folderExists ? error::kFileNotFound : error::kPathNotFound;
}

}  // namespace platform
