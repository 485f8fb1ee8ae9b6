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
    {EPIPE, error::kBrokenPipe},
    {ENOSPC, error::kDiskFull},
    {EDQUOT, error::kDiskFull},
    {ESPIPE, 132},       // ERROR_SEEK_ON_DEVICE
    {ENAMETOOLONG, error::kFileNameTooLong},
    {EFBIG, 223},        // ERROR_FILE_TOO_LARGE
    {EOVERFLOW, 223},
    {EIO, 1117},         // ERROR_IO_DEVICE
    {ELOOP, 1921},       // ERROR_CANT_RESOLVE_FILENAME
};

bool IsDirectory(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

std::uint32_t Win32ErrorFromErrno(int errnoValue) {
  for (const ErrnoMapping& mapping : kErrnoMappings) {
    if (mapping.errnoValue == errnoValue) return mapping.win32Error;
  }
  return error::kGeneralFailure;
}

std::uint32_t Win32ErrorForPath(int errnoValue, const char* path) {
  if (errnoValue != ENOENT) return Win32ErrorFromErrno(errnoValue);
  const char* lastSlash = std::strrchr(path, '/');
  if (lastSlash == nullptr) return error::kFileNotFound;
  std::string folder(path, static_cast<std::size_t>(lastSlash - path));
  if (folder.empty()) folder = "/";
  return IsDirectory(folder) ? error::kFileNotFound : error::kPathNotFound;
}

}  // namespace platform
