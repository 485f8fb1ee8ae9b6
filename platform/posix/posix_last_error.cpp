// How a failed call of PosixOs leaves its error: the Win32 number LastError
// answers, and the errno it came from, whose words ErrorWords gives.
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/posix/posix_os.h"
#include "platform/posix/win32_errors.h"

namespace platform {

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

std::uint32_t PosixOs::LastError() { return lastError_; }

std::string PosixOs::ErrorWords(std::uint32_t code) {
  return code == lastError_ ? std::strerror(lastErrno_) : "unknown error";
}

}  // namespace platform
