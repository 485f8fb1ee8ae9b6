// Which files the join takes: the movies from disk files, and an output
// that is none of the files already open.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "runtime/file_record.h"

namespace splice {

// The movies are joined from disk files only: a FIFO, socket or device would
// be joined as if empty, or not at all. Records error 50 (not supported) for
// anything else.
void RequireDiskFile(runtime::FileRecord& record);
// The same, of a record bound to a name but not yet opened, by the
// attributes the name's existence check read: opening a named pipe takes its
// server's one connection, and opening a serial port can reset the device.
void RequireNoDevice(const runtime::FileRecord& record, std::uint32_t attributes);

// The open record that holds the very file or pipe the path names, whatever
// the spelling, link or hard link that leads there, or none; the path is
// asked about once. A path that names nothing, or a device, is held by no
// record; any other failure to tell records its code.
const runtime::IoRecord* RecordHolding(const char* path,
                                       std::initializer_list<const runtime::IoRecord*> records);

}  // namespace splice
