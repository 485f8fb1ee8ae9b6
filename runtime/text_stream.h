// The buffered text stream on standard output through which every line the
// program shows goes.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/io_record.h"

namespace runtime {

inline constexpr std::uint32_t kTextBufferSize = 128;

struct TextStream : IoRecord {
  using IoRecord::IoRecord;
  std::int32_t bufferPosition = 0;  // bytes waiting in the buffer
  StreamFunction lineEndHook = nullptr;
  char buffer[kTextBufferSize] = {};
};

// Both bound to standard output's and standard input's empty name at
// start-up; the program only ever opens OutputStream, lazily, at its first
// write.
extern TextStream InputStream;
extern TextStream OutputStream;

// AssignName for a text stream also empties its buffer.
void AssignName(TextStream& stream, const char* name);

// Opens OutputStream on standard output; 0, or the code to record.
std::uint32_t OpenTextHandle(TextStream& stream);
// Writes out what the buffer holds; 0, or the operating system's code.
std::uint32_t WriteTextBuffer(IoRecord& record);

void PutBlock(TextStream& stream, const char* bytes, std::uint32_t count);
void PutText(TextStream& stream, std::string_view text);
void PutTerminatedText(TextStream& stream, const char* text);
void PutChar(TextStream& stream, char character);
// Appends CR LF; on a console the line then goes out at once.
void EndLine(TextStream& stream);
// Forgets what the buffer holds, unwritten: text that must not reach the
// file the stream turned out to go to.
void DiscardBuffer(TextStream& stream);
// The text and CR LF on OutputStream; the caller checks it.
void WriteLine(std::string_view text);

}  // namespace runtime
