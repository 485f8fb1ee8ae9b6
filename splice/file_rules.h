// Which files the join takes: the movies from disk files, and an output
// that is none of the files already open.
#pragma once

#include <initializer_list>

#include "runtime/file_record.h"

namespace splice {

// The movies are joined from disk files only: a FIFO, socket or device would
// be joined as if empty, or not at all. Records error 50 (not supported) for
// anything else.
void RequireDiskFile(runtime::FileRecord& record);

// The open record that holds the very file or pipe the path names, whatever
// the spelling, link or hard link that leads there, or none; the path is
// asked about once. A path that names nothing, or a device, is held by no
// record; any other failure to tell records its code.
const runtime::IoRecord* RecordHolding(const char* path,
                                       std::initializer_list<const runtime::IoRecord*> records);

}  // namespace splice
