// What text streams and binary file records share: a handle, an open mode,
// the hooks that move buffered data and release the handle, and a path; and
// how a failure on one is recorded.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os.h"
#include "runtime/io_result.h"
#include "runtime/open_mode.h"

namespace runtime {

struct IoRecord;

// A stream function: 0 for success, otherwise the error code to record.
using StreamFunction = std::uint32_t (*)(IoRecord& record);

struct IoRecord {
  IoRecord() = default;
  // A standard stream, which failures call by what it is.
  explicit IoRecord(const char* streamName) : streamName(streamName) {}
  // A copy would hold the same handle: closing one would leave the other a
  // handle that is no longer the file's.
  IoRecord(const IoRecord&) = delete;
  IoRecord& operator=(const IoRecord&) = delete;

  platform::Handle osHandle = 0;
  OpenMode state{};  // zero: never bound
  StreamFunction transferHook = nullptr;
  StreamFunction closeHook = nullptr;
  // The whole name, never cut: a cut name could open, or truncate, another
  // file than the one named. Empty means a standard handle.
  std::string pathName;
  // What failures call a standard stream; null for a record that they name
  // by its path, whatever it is bound to.
  const char* const streamName = nullptr;
};

std::uint32_t DoNothing(IoRecord& record);

// Binds the record to a path; an absent name is the empty name (a standard
// handle). Never fails.
void AssignName(IoRecord& record, const char* name);

// True for an open record; otherwise records 103 for what the operation was
// doing, which needs an open record.
bool RequireOpen(const IoRecord& record, Activity activity);

// Moves out what is buffered, then releases the handle. A record that is not
// open records 103.
void CloseFileRecord(IoRecord& record);

// Records one of the runtime's own codes, in the runtime's words.
void SetPendingIoResult(std::uint32_t code, Activity activity, const IoRecord& record);
// Records a code of the caller's own, in the caller's words.
void SetPendingIoResult(std::uint32_t code, Activity activity, const IoRecord& record,
                        const std::string& words);
// Records a code the operating system has just given, in the system's words.
void SetPendingOsResult(std::uint32_t code, Activity activity, const IoRecord& record);
// Records the operating system's last error code.
void SetPendingIoResultFromOs(Activity activity, const IoRecord& record);

}  // namespace runtime
