#include "runtime/io_result.h"

#include "platform/os.h"
#include "runtime/program_end.h"

namespace runtime {

std::uint32_t PendingIoResult = 0;

void SetPendingIoResult(std::uint32_t code) { PendingIoResult = code; }

std::uint32_t LastOsError() {
  const std::uint32_t code = platform::CurrentOs().LastError();
  return code != 0 ? code : platform::error::kGeneralFailure;
}

void SetPendingIoResultFromOs() { PendingIoResult = LastOsError(); }

// Kept out of line: its return address is the check site.
__attribute__((noinline)) void CheckIo() {
  if (PendingIoResult == 0) return;
  RuntimeErrorExit(PendingIoResult,
                   reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)));
}

}  // namespace runtime
