// POSIX errno values translated to the numbers Win32's GetLastError gives for
// the same condition, so that messages and exit statuses match on every
// platform.
#pragma once

#include <sys/stat.h>

#include <cstdint>

namespace platform {

// Every errno gives a non-zero Win32 number; those without a closer
// equivalent give ERROR_GEN_FAILURE (31).
std::uint32_t Win32ErrorFromErrno(int errnoValue);

// As Win32ErrorFromErrno, for a call that failed on `path`: Windows tells a
// missing file (2) from a missing folder on the way to it (3), POSIX does not:
// the folder is asked about with `stat`.
std::uint32_t Win32ErrorForPath(int errnoValue, const char* path,
                                int (*stat)(const char* path, struct stat* status));

}  // namespace platform
