// Which files the join takes: the movies from disk files, and an output
// that is none of the files already open.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "runtime/file_record.h"
#include "runtime/held_file.h"

namespace splice {

// The movies are joined from disk files whose size is known: a FIFO, socket
// or device would be joined as if empty, or not at all, a file the system
// makes up as it is read (files of /proc and /sys) by a size that says
// nothing, and so would a file that reports no size but has bytes to read
// (some FUSE file systems). Records error 50 (not supported) for anything
// else; a query that fails records its own code.
void RequireDiskFile(runtime::FileRecord& record);
// The same, of a record bound to a name but not yet opened, by the
// attributes the name's existence check read: opening a named pipe takes its
// server's one connection, and opening a serial port can reset the device.
void RequireNoDevice(const runtime::FileRecord& record, std::uint32_t attributes);

// The path among `paths` that names the disk file or FIFO standard output
// goes to, where none surely does the first it may go to: what the program
// prints would land in that file. A path that cannot be asked about is taken for another file, and a standard
// output that cannot be asked about for another file than any: the steps
// that open the files tell what is wrong with them.
runtime::Found<const std::string*> PathOfStandardOutput(const std::vector<std::string>& paths);

// The open record that holds the very file or pipe the path names, whatever
// the spelling, link or hard link that leads there; the path is asked about
// once. A path that names nothing, or a device, is held by no record; any
// other failure to tell records its code.
runtime::Found<const runtime::IoRecord*> RecordHolding(
    const char* path, std::initializer_list<const runtime::IoRecord*> records);

// The same for the file an open record holds, asked about on its handle: a
// name looked up again could lead elsewhere by then.
runtime::Found<const runtime::IoRecord*> RecordHolding(
    const runtime::IoRecord& opened, std::initializer_list<const runtime::IoRecord*> records);

}  // namespace splice
