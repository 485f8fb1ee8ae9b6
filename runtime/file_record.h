// Binary files bound to a path, read, written and positioned in whole
// records. Every transfer is one call on the operating system, with no
// buffering of its own. Like every runtime operation, none returns an error:
// a failure records its code and the operation returns a harmless value.
#pragma once

#include <cstdint>

#include "runtime/io_record.h"

namespace runtime {

struct FileRecord : IoRecord {
  std::uint32_t recordSize = 0;  // bytes per record, at least 1
};

enum class OpenKind : std::uint8_t { kRead = 0, kWrite = 1, kReadWrite = 2, kCreate = 3 };

// Selects the access for opening an existing file (bits 0-1) and the sharing
// for every open of a named file (bits 4-6).
extern std::uint8_t DefaultOpenMode;

// The sharing flags for every open of a named file, selected by bits 4-6 of
// DefaultOpenMode.
extern const std::uint32_t ShareModeTable[8];

void OpenFileRecord(FileRecord& record, std::uint32_t recordSize, OpenKind kind);
// Opens an existing file with the access that bits 0-1 of DefaultOpenMode
// select: 0 read, 1 write, 2 or 3 read-write.
void OpenExisting(FileRecord& record, std::uint32_t recordSize);
// Opens the file to read and write, creating it when it is missing. An
// existing file keeps its bytes until Truncate cuts them, so that the caller
// can first make sure that the file opened is the one it means to empty.
void OpenOrCreate(FileRecord& record, std::uint32_t recordSize);
// Cuts a disk file at the current position. A device or pipe has no end to
// cut and is left as it is.
void Truncate(FileRecord& record);

// Without countOut, fewer records than asked is error 100 (reading) or 101
// (writing); with it, the count is stored there and no shortfall is an error.
void ReadRecords(FileRecord& record, void* buffer, std::int32_t count, std::int32_t* countOut);
void WriteRecords(FileRecord& record, const void* buffer, std::int32_t count,
                  std::int32_t* countOut);

void SeekTo(FileRecord& record, std::int64_t position);
// True at or past the end, and on any failure. `pastEnd`, when given, tells
// whether the position is beyond the end: the file was cut below it.
bool IsAtEnd(FileRecord& record, bool* pastEnd = nullptr);
// The size in records; -1 on failure.
std::int64_t FileLength(FileRecord& record);

// The close hook of a named file: marks the record closed and releases the
// handle; 0, or the operating system's code.
std::uint32_t CloseFileHandle(IoRecord& record);

}  // namespace runtime
