// What text streams and binary file records share: a handle, an open mode,
// the hooks that move buffered data and release the handle, and a path.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os.h"
#include "runtime/open_mode.h"

namespace runtime {

struct IoRecord;

// A stream function: 0 for success, otherwise the error code to record.
using StreamFunction = std::uint32_t (*)(IoRecord& record);

struct IoRecord {
  platform::Handle osHandle = 0;
  OpenMode state{};  // zero: never bound
  StreamFunction transferHook = nullptr;
  StreamFunction closeHook = nullptr;
  // The whole name, never cut: a cut name could open, or truncate, another
  // file than the one named. Empty means a standard handle.
  std::string pathName;
};

std::uint32_t DoNothing(IoRecord& record);

// Binds the record to a path; an absent name is the empty name (a standard
// handle). Never fails.
void AssignName(IoRecord& record, const char* name);

// Moves out what is buffered, then releases the handle. A record that is not
// open records 103, except the never-used InputStream.
void CloseFileRecord(IoRecord& record);

}  // namespace runtime
