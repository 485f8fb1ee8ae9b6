// What a handle or a name holds: its type, and the identity that tells two
// names of one file apart from two files.
#include <sys/stat.h>

#include <cstdint>

#include "platform/posix/posix_os.h"

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

}  // namespace

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

std::uint32_t PosixOs::FileAttributes(const char* path) {
  struct stat status;
  if (calls_.stat(path, &status) != 0) {
    FailForPath(path);
    return kInvalidFileAttributes;
  }
  if (S_ISDIR(status.st_mode)) return kDirectoryAttribute;
  return S_ISREG(status.st_mode) ? kNormalAttribute : kDeviceAttribute;
}

}  // namespace platform
