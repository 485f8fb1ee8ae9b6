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
      // Only a text stream has anything to move: its buffer, written out.
      code = record.transferHook(record);
      if (code != 0) {
        SetPendingOsResult(code, Activity::kWrite, record);
        return;
      }
      code = record.closeHook(record);
      break;
    default:
      if (&record != &InputStream) SetPendingIoResult(kNotOpen, Activity::kClose, record);
      return;
  }
  if (code != 0) SetPendingOsResult(code, Activity::kClose, record);
}

}  // namespace runtime
