#include "runtime/io_record.h"

#include "platform/services.h"

namespace runtime {

namespace {

std::string Where(const IoRecord& record) {
  return record.streamName != nullptr ? record.streamName : Quoted(record.pathName.c_str());
}

}  // namespace

std::uint32_t DoNothing(IoRecord& /*record*/) { return 0; }

void AssignName(IoRecord& record, const char* name) {
  record.osHandle = 0;
  record.state = OpenMode::kClosed;
  record.transferHook = nullptr;
  record.closeHook = nullptr;
  record.pathName = name != nullptr ? name : "";
}

bool RequireOpen(const IoRecord& record, Activity activity) {
  if (IsOpen(record.state)) return true;
  SetPendingIoResult(kNotOpen, activity, record);
  return false;
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
      SetPendingIoResult(kNotOpen, Activity::kClose, record);
      return;
  }
  if (code != 0) SetPendingOsResult(code, Activity::kClose, record);
}

void SetPendingIoResult(std::uint32_t code, Activity activity, const IoRecord& record) {
  SetPendingResult(code, activity, Where(record), RuntimeWords(code));
}

void SetPendingIoResult(std::uint32_t code, Activity activity, const IoRecord& record,
                        const std::string& words) {
  SetPendingResult(code, activity, Where(record), words);
}

void SetPendingOsResult(std::uint32_t code, Activity activity, const IoRecord& record) {
  SetPendingResult(code, activity, Where(record), platform::CurrentServices().ErrorWords(code));
}

void SetPendingIoResultFromOs(Activity activity, const IoRecord& record) {
  SetPendingOsResult(LastOsError(), activity, record);
}

}  // namespace runtime
