#include "runtime/file_record.h"

#include "platform/os.h"

namespace runtime {

std::uint8_t DefaultOpenMode = 2;

const std::uint32_t ShareModeTable[8] = {
    platform::kShareRead | platform::kShareWrite,
    0,
    platform::kShareRead,
    platform::kShareWrite,
    platform::kShareRead | platform::kShareWrite,
    0,
    0,
    0,
};

namespace {

struct OpenRequest {
  std::uint32_t access;
  std::uint32_t disposition;
  OpenMode state;
};

// Indexed by OpenKind.
constexpr OpenRequest kOpenRequests[] = {
    {platform::kGenericRead, platform::kOpenExisting, OpenMode::kInput},
    {platform::kGenericWrite, platform::kOpenExisting, OpenMode::kOutput},
    {platform::kGenericRead | platform::kGenericWrite, platform::kOpenExisting,
     OpenMode::kInputOutput},
    {platform::kGenericRead | platform::kGenericWrite, platform::kOpenAlways,
     OpenMode::kInputOutput},
};

}  // namespace

void OpenFileRecord(FileRecord& record, std::uint32_t recordSize, OpenKind kind) {
  const Activity activity = kind == OpenKind::kCreate ? Activity::kCreate : Activity::kOpen;
  if (IsOpen(record.state)) {
    // Reopening releases the old handle first; its failure is recorded and
    // the open goes on.
    if (const std::uint32_t code = record.closeHook(record)) {
      SetPendingOsResult(code, Activity::kClose, record);
    }
  } else if (record.state != OpenMode::kClosed) {
    SetPendingIoResult(kNeverBound, activity, record);
    return;
  }
  record.state = OpenMode::kInputOutput;
  record.recordSize = recordSize;
  record.closeHook = CloseFileHandle;
  record.transferHook = DoNothing;

  platform::Os& os = platform::CurrentOs();
  if (!record.pathName.empty()) {
    const OpenRequest& request = kOpenRequests[static_cast<int>(kind)];
    record.state = request.state;
    record.osHandle = os.OpenFile(record.pathName.c_str(), request.access,
                                  ShareModeTable[(DefaultOpenMode >> 4) & 7],
                                  request.disposition);
  } else {
    record.closeHook = DoNothing;
    record.osHandle = os.StandardHandle(kind == OpenKind::kCreate ? platform::StdHandle::kOutput
                                                                  : platform::StdHandle::kInput);
  }
  if (record.osHandle == platform::kInvalidHandle) {
    record.state = OpenMode::kClosed;
    SetPendingIoResultFromOs(activity, record);
  }
}

void OpenExisting(FileRecord& record, std::uint32_t recordSize) {
  const int access = DefaultOpenMode & 3;
  OpenFileRecord(record, recordSize, access == 3 ? OpenKind::kReadWrite : static_cast<OpenKind>(access));
}

void OpenOrCreate(FileRecord& record, std::uint32_t recordSize) {
  OpenFileRecord(record, recordSize, OpenKind::kCreate);
}

void Truncate(FileRecord& record) {
  // Cutting is the second half of creating the file.
  if (!RequireOpen(record, Activity::kCreate)) return;
  platform::Os& os = platform::CurrentOs();
  const platform::FileType type = os.DeviceType(record.osHandle);
  if (type == platform::FileType::kUnknown ||
      (type == platform::FileType::kDisk && !os.SetEndOfFile(record.osHandle))) {
    SetPendingIoResultFromOs(Activity::kCreate, record);
  }
}

namespace {

// After a transfer of `bytes`: the whole records moved go to countOut; without
// it, fewer records than asked is the shortfall code.
void CountTransfer(const FileRecord& record, std::uint32_t bytes, std::int32_t count,
                   std::int32_t* countOut, std::uint32_t shortfall, Activity activity) {
  const auto records = static_cast<std::int32_t>(bytes / record.recordSize);
  if (countOut != nullptr) {
    *countOut = records;
  } else if (records != count) {
    SetPendingIoResult(shortfall, activity, record);
  }
}

}  // namespace

void ReadRecords(FileRecord& record, void* buffer, std::int32_t count, std::int32_t* countOut) {
  if (!RequireOpen(record, Activity::kRead)) return;
  std::uint32_t bytes = 0;
  if (!platform::CurrentOs().Read(record.osHandle, buffer,
                                  static_cast<std::uint32_t>(count) * record.recordSize, &bytes)) {
    SetPendingIoResultFromOs(Activity::kRead, record);
    return;
  }
  CountTransfer(record, bytes, count, countOut, kShortRead, Activity::kRead);
}

void WriteRecords(FileRecord& record, const void* buffer, std::int32_t count,
                  std::int32_t* countOut) {
  if (record.state != OpenMode::kOutput && record.state != OpenMode::kInputOutput) {
    SetPendingIoResult(kNotOpen, Activity::kWrite, record);
    return;
  }
  std::uint32_t bytes = 0;
  if (!platform::CurrentOs().Write(record.osHandle, buffer,
                                   static_cast<std::uint32_t>(count) * record.recordSize,
                                   &bytes)) {
    SetPendingIoResultFromOs(Activity::kWrite, record);
    return;
  }
  CountTransfer(record, bytes, count, countOut, kShortWrite, Activity::kWrite);
}

void SeekTo(FileRecord& record, std::int64_t position) {
  if (!RequireOpen(record, Activity::kSeek)) return;
  if (!platform::CurrentOs().Seek(record.osHandle, position * record.recordSize,
                                  platform::SeekOrigin::kBegin, nullptr)) {
    SetPendingIoResultFromOs(Activity::kSeek, record);
  }
}

bool IsAtEnd(FileRecord& record, bool* pastEnd) {
  if (!RequireOpen(record, Activity::kRead)) return true;
  platform::Os& os = platform::CurrentOs();
  std::int64_t size = 0;
  if (!os.FileSize(record.osHandle, &size)) {
    SetPendingIoResultFromOs(Activity::kSize, record);
    return true;
  }
  std::int64_t current = 0;
  if (!os.Seek(record.osHandle, 0, platform::SeekOrigin::kCurrent, &current)) {
    SetPendingIoResultFromOs(Activity::kSeek, record);
    return true;
  }
  if (pastEnd != nullptr) *pastEnd = current > size;
  return current >= size;
}

std::int64_t FileLength(FileRecord& record) {
  if (!RequireOpen(record, Activity::kSize)) return -1;
  std::int64_t size = 0;
  if (!platform::CurrentOs().FileSize(record.osHandle, &size)) {
    SetPendingIoResultFromOs(Activity::kSize, record);
    return -1;
  }
  return size / record.recordSize;
}

std::uint32_t CloseFileHandle(IoRecord& record) {
  record.state = OpenMode::kClosed;
  return platform::CurrentOs().Close(record.osHandle) ? 0 : LastOsError();
}

}  // namespace runtime
