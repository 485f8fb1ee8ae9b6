#include "splice/file_rules.h"

#include <cstdint>

#include "platform/os.h"
#include "runtime/held_file.h"
#include "runtime/io_record.h"
#include "runtime/io_result.h"
#include "runtime/text_stream.h"

namespace splice {

using namespace runtime;

namespace {

constexpr char kNotDiskFileWords[] = "not a regular file (a FIFO, socket or device)";
constexpr char kMadeUpWords[] =
    "the system makes up its bytes as they are read (a file of /proc, /sys or the like), "
    "so its size says nothing";

// The record among `records` that holds the file or pipe of that kind and
// identity, or none; where none surely does, the first that may.
Found<const IoRecord*> Holder(platform::PathKind kind, const platform::FileIdentity& identity,
                              std::initializer_list<const IoRecord*> records) {
  platform::Os& os = platform::CurrentOs();
  Found<const IoRecord*> found;
  for (const IoRecord* record : records) {
    platform::FileIdentity held;
    const platform::PathKind heldKind = os.IdentityOfHandle(record->osHandle, &held);
    if (heldKind == platform::PathKind::kUnknown) {
      // A standard handle is the process's, opened by whoever started it: it
      // may not let its file be asked about (Windows gives a redirection
      // write access alone). It is then taken for another file.
      if (record->pathName.empty()) continue;
      SetPendingIoResultFromOs(Activity::kExamine, *record);
      return {};
    }
    if (heldKind != kind) continue;
    if (found.Take(platform::Compare(identity, held), record)) break;
  }
  return found;
}

bool AllOpen(std::initializer_list<const IoRecord*> records) {
  for (const IoRecord* record : records) {
    if (!RequireOpen(*record, Activity::kExamine)) return false;
  }
  return true;
}

}  // namespace

void RequireDiskFile(FileRecord& record) {
  if (!RequireOpen(record, Activity::kRead)) return;
  platform::Os& os = platform::CurrentOs();
  if (os.DeviceType(record.osHandle) != platform::FileType::kDisk) {
    SetPendingIoResult(platform::error::kNotSupported, Activity::kRead, record,
                       kNotDiskFileWords);
    return;
  }
  // Asked before the size, which such a file makes up too.
  bool madeUp = false;
  if (!os.IsMadeUpFile(record.osHandle, &madeUp)) {
    SetPendingIoResultFromOs(Activity::kExamine, record);
    return;
  }
  if (madeUp) {
    SetPendingIoResult(platform::error::kNotSupported, Activity::kRead, record,
                       kMadeUpWords);
    return;
  }
  std::int64_t size = 0;
  if (!os.FileSize(record.osHandle, &size)) {
    SetPendingIoResultFromOs(Activity::kSize, record);
    return;
  }
  if (size != 0) return;
  // An empty file gives nothing; one that hides its size gives a byte, from
  // the start, where nothing has been read yet.
  unsigned char probe = 0;
  std::uint32_t got = 0;
  if (!os.Read(record.osHandle, &probe, 1, &got)) {
    SetPendingIoResultFromOs(Activity::kRead, record);
  } else if (got != 0) {
    SetPendingIoResult(platform::error::kNotSupported, Activity::kRead, record,
                       "its size is unknown (it reports 0 bytes but has bytes to read)");
  }
}

void RequireNoDevice(const FileRecord& record, std::uint32_t attributes) {
  if ((attributes & platform::kDeviceAttribute) != 0) {
    SetPendingIoResult(platform::error::kNotSupported, Activity::kRead, record,
                       kNotDiskFileWords);
  }
}

Found<const std::string*> PathOfStandardOutput(const std::vector<std::string>& paths) {
  if (!IsOpen(OutputStream.state)) return {};
  return PathHeldBy(OutputStream.osHandle, paths);
}

Found<const IoRecord*> RecordHolding(const char* path,
                                     std::initializer_list<const IoRecord*> records) {
  if (!AllOpen(records)) return {};
  platform::FileIdentity named;
  const platform::PathKind namedKind = platform::CurrentOs().IdentityOfPath(path, &named);
  switch (namedKind) {
    case platform::PathKind::kUnknown: {
      // Only a path that names nothing is surely no open file; after any
      // other failure the output could still be a movie, which creating it
      // would truncate.
      const std::uint32_t code = LastOsError();
      if (code != platform::error::kFileNotFound && code != platform::error::kPathNotFound) {
        SetPendingOsResult(code, Activity::kExamine, path);
      }
      return {};
    }
    case platform::PathKind::kOther:
      // A device or console is shared harmlessly: writing to it destroys
      // nothing that another record holds.
      return {};
    case platform::PathKind::kDiskFile:
    case platform::PathKind::kPipe:
      break;
  }
  return Holder(namedKind, named, records);
}

Found<const IoRecord*> RecordHolding(const IoRecord& opened,
                                     std::initializer_list<const IoRecord*> records) {
  if (!RequireOpen(opened, Activity::kExamine) || !AllOpen(records)) return {};
  platform::FileIdentity identity;
  const platform::PathKind kind = platform::CurrentOs().IdentityOfHandle(opened.osHandle, &identity);
  switch (kind) {
    case platform::PathKind::kUnknown:
      SetPendingIoResultFromOs(Activity::kExamine, opened);
      return {};
    case platform::PathKind::kOther:
      return {};
    case platform::PathKind::kDiskFile:
    case platform::PathKind::kPipe:
      break;
  }
  return Holder(kind, identity, records);
}

}  // namespace splice
