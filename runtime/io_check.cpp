#include "runtime/io_check.h"

#include <cstdint>

#include "runtime/io_result.h"
#include "runtime/program_end.h"

namespace runtime {

void CheckIo(CheckSite& site) {
  if (PendingIoResult == 0) return;
  RuntimeErrorExit(PendingIoResult, reinterpret_cast<std::uintptr_t>(&site));
}

}  // namespace runtime
