#include "runtime/io_record.h"

#include "runtime/io_result.h"
#include "runtime/text_stream.h"

namespace runtime {

std::uint32_t DoNothing(IoRecord& /*record*/) { return 0; }

void AssignName(IoRecord& record, const char* name) {
  record.osHandle = 0;
  record.state = OpenMode::kClosed;
  record.transferHook = nullptr;
  record.closeHook = nullptr;
  record.pathName = name != nullptr ? name : "";
}

void CloseFileRecord(IoRecord& record) {
  std::uint32_t code = 0;
  switch (record.state) {
    case OpenMode::kInput:
      code = record.closeHook(record);
      break;
    case OpenMode::kOutput:
    case OpenMode::kInputOutput:
      code = record.transferHook(record);
      if (code != 0) {
        SetPendingIoResult(code);
        return;
      }
      code = record.closeHook(record);
      break;
    default:
      if (&record != &InputStream) SetPendingIoResult(kNotOpen);
      return;
  }
  if (code != 0) SetPendingIoResult(code);
}

}  // namespace runtime
