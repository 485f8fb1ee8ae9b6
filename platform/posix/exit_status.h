// A POSIX exit status holds 8 bits, a Windows one 32.
#pragma once

#include <cstdint>

namespace platform {

// The low 8 bits of the code, as a POSIX shell sees a Windows program's
// status; a non-zero code whose low 8 bits are 0 (256, 512, ...) gives 255,
// so that a failure never reads as success.
int PosixExitStatus(std::uint32_t code);

}  // namespace platform
