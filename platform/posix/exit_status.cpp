#include "platform/posix/exit_status.h"

namespace platform {

int PosixExitStatus(std::uint32_t code) {
  const int lowBits = static_cast<int>(code & 0xFFu);
  return (code != 0 && lowBits == 0) ? 255 : lowBits;
}

}  // namespace platform
