#include "splice/file_rules.h"

#include <cstdint>

#include "platform/os.h"
#include "runtime/io_record.h"
#include "runtime/io_result.h"

namespace splice {

using namespace runtime;

namespace {
constexpr char kNotDiskFileWords[] = "not a regular file (a FIFO, socket or device)";
}

void RequireDiskFile(FileRecord& record) {
  if (!RequireOpen(record, Activity::kRead)) return;
  if (platform::CurrentOs().DeviceType(record.osHandle) != platform::FileType::kDisk) {
    SetPendingIoResult(platform::error::kNotSupported, Activity::kRead, record,
                       kNotDiskFileWords);
  }
}

void RequireNoDevice(const FileRecord& record, std::uint32_t attributes) {
  if ((attributes & platform::kDeviceAttribute) != 0) {
    SetPendingIoResult(platform::error::kNotSupported, Activity::kRead, record,
                       kNotDiskFileWords);
  }
}

const IoRecord* RecordHolding(const char* path, std::initializer_list<const IoRecord*> records) {
  for (const IoRecord* record : records) {
    if (!RequireOpen(*record, Activity::kExamine)) return nullptr;
  }
  platform::Os& os = platform::CurrentOs();
  platform::FileIdentity named;
  const platform::PathKind namedKind = os.IdentityOfPath(path, &named);
  switch (namedKind) {
    case platform::PathKind::kUnknown: {
      // Only a path that names nothing is surely no open file; after any
      // other failure the output could still be a movie, which creating it
      // would truncate.
      const std::uint32_t code = LastOsError();
      if (code != platform::error::kFileNotFound && code != platform::error::kPathNotFound) {
        SetPendingOsResult(code, Activity::kExamine, path);
      }
      return nullptr;
    }
    case platform::PathKind::kOther:
      // A device or console is shared harmlessly: writing to it destroys
      // nothing that another record holds.
      return nullptr;
    case platform::PathKind::kDiskFile:
    case platform::PathKind::kPipe:
      break;
  }
  for (const IoRecord* record : records) {
    platform::FileIdentity held;
    const platform::PathKind heldKind = os.IdentityOfHandle(record->osHandle, &held);
    if (heldKind == platform::PathKind::kUnknown) {
      // A standard handle is the process's, opened by whoever started it: it
      // may not let its file be asked about (Windows gives a redirection
      // write access alone). It is then taken for another file.
      if (record->pathName.empty()) continue;
      SetPendingIoResultFromOs(Activity::kExamine, *record);
      return nullptr;
    }
    if (heldKind == namedKind && named == held) return record;
  }
  return nullptr;
}

}  // namespace splice
