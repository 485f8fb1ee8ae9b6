#include "runtime/text_stream.h"

#include <cstring>

#include "runtime/io_result.h"

namespace runtime {

TextStream InputStream{"standard input"};
TextStream OutputStream{"standard output"};

namespace {

// A console gets whole characters of the program's code page: the start of
// one that the buffer cut waits at the buffer's start for the rest, so that
// the buffer always begins with a whole character.
std::uint32_t WriteConsoleBuffer(IoRecord& record) {
  auto& stream = static_cast<TextStream&>(record);
  platform::Os& os = platform::CurrentOs();
  const auto count = static_cast<std::uint32_t>(stream.bufferPosition);
  const std::uint32_t whole = os.WholeCharacters(stream.buffer, count);
  const bool ok = whole == 0 || os.WriteConsoleText(stream.osHandle, stream.buffer, whole);
  const std::uint32_t code = ok ? 0 : LastOsError();
  std::memmove(stream.buffer, stream.buffer + whole, count - whole);
  stream.bufferPosition = static_cast<std::int32_t>(count - whole);
  return code;
}

// At the end, a character that never got its rest goes out as its bytes.
// The handle stays open: it is the process's.
std::uint32_t WriteConsoleRest(IoRecord& record) {
  auto& stream = static_cast<TextStream&>(record);
  const auto count = static_cast<std::uint32_t>(stream.bufferPosition);
  stream.bufferPosition = 0;
  if (count == 0 || platform::CurrentOs().WriteConsoleText(stream.osHandle, stream.buffer, count)) {
    return 0;
  }
  return LastOsError();
}

}  // namespace

void AssignName(TextStream& stream, const char* name) {
  AssignName(static_cast<IoRecord&>(stream), name);
  stream.bufferPosition = 0;
  stream.lineEndHook = nullptr;
}

std::uint32_t OpenTextHandle(TextStream& stream) {
  if (IsOpen(stream.state)) {
    CloseFileRecord(stream);
  } else if (stream.state != OpenMode::kClosed) {
    return kNeverBound;
  }
  stream.state = OpenMode::kOutput;
  stream.bufferPosition = 0;
  stream.transferHook = WriteTextBuffer;
  stream.lineEndHook = DoNothing;
  // Closing the stream must leave the standard handle itself open.
  stream.closeHook = DoNothing;

  platform::Os& os = platform::CurrentOs();
  stream.osHandle = os.StandardHandle(platform::StdHandle::kOutput);
  if (stream.osHandle == platform::kInvalidHandle) {
    stream.state = OpenMode::kClosed;
    SetPendingIoResultFromOs(Activity::kOpen, stream);
    return 0;
  }
  switch (os.DeviceType(stream.osHandle)) {
    case platform::FileType::kUnknown:
      // The handle is the process's, not ours: it stays open.
      stream.state = OpenMode::kClosed;
      return kNotOpenForOutput;
    case platform::FileType::kChar:
      // A console shows each line as it ends; files and pipes get whole
      // buffers.
      stream.lineEndHook = WriteTextBuffer;
      // A console shows bytes in its own code page, not the program's: it
      // gets the text as characters. NUL is a character device but no
      // console, and gets the bytes.
      if (os.IsConsole(stream.osHandle)) {
        stream.transferHook = WriteConsoleBuffer;
        stream.lineEndHook = WriteConsoleBuffer;
        stream.closeHook = WriteConsoleRest;
      }
      break;
    default:
      break;
  }
  return 0;
}

std::uint32_t WriteTextBuffer(IoRecord& record) {
  auto& stream = static_cast<TextStream&>(record);
  if (stream.bufferPosition <= 0) return 0;
  const auto count = static_cast<std::uint32_t>(stream.bufferPosition);
  stream.bufferPosition = 0;
  std::uint32_t written = 0;
  // A write that moves fewer bytes than asked counts as done.
  if (!platform::CurrentOs().Write(stream.osHandle, stream.buffer, count, &written)) {
    return LastOsError();
  }
  return 0;
}

namespace {

// A write to a stream that is not open for output opens OutputStream, and
// fails with 105 on any other stream or when that open fails.
bool ReadyForOutput(TextStream& stream) {
  if (stream.state != OpenMode::kOutput && &stream == &OutputStream) {
    if (const std::uint32_t code = OpenTextHandle(stream)) {
      SetPendingIoResult(code, Activity::kOpen, stream);
    }
  }
  if (stream.state == OpenMode::kOutput) return true;
  SetPendingIoResult(kNotOpenForOutput, Activity::kWrite, stream);
  return false;
}

}  // namespace

void PutBlock(TextStream& stream, const char* bytes, std::uint32_t count) {
  if (!ReadyForOutput(stream)) return;
  for (;;) {
    const std::uint32_t room = kTextBufferSize - static_cast<std::uint32_t>(stream.bufferPosition);
    if (room > count) {
      if (count > 0) std::memcpy(stream.buffer + stream.bufferPosition, bytes, count);
      stream.bufferPosition += static_cast<std::int32_t>(count);
      return;
    }
    // A buffer that becomes exactly full goes out at once.
    std::memcpy(stream.buffer + stream.bufferPosition, bytes, room);
    stream.bufferPosition = static_cast<std::int32_t>(kTextBufferSize);
    bytes += room;
    count -= room;
    if (const std::uint32_t code = stream.transferHook(stream)) {
      SetPendingOsResult(code, Activity::kWrite, stream);
      return;
    }
  }
}

void PutText(TextStream& stream, std::string_view text) {
  PutBlock(stream, text.data(), static_cast<std::uint32_t>(text.size()));
}

void PutTerminatedText(TextStream& stream, const char* text) {
  PutBlock(stream, text, text != nullptr ? static_cast<std::uint32_t>(std::strlen(text)) : 0);
}

void PutChar(TextStream& stream, char character) {
  if (!ReadyForOutput(stream)) return;
  if (stream.bufferPosition >= static_cast<std::int32_t>(kTextBufferSize)) {
    if (const std::uint32_t code = stream.transferHook(stream)) {
      SetPendingOsResult(code, Activity::kWrite, stream);
      return;
    }
  }
  stream.buffer[stream.bufferPosition++] = character;
}

void EndLine(TextStream& stream) {
  PutBlock(stream, "\r\n", 2);
  if (stream.state == OpenMode::kOutput) {
    if (const std::uint32_t code = stream.lineEndHook(stream)) {
      SetPendingOsResult(code, Activity::kWrite, stream);
    }
  } else if (stream.state != OpenMode::kInput) {
    SetPendingIoResult(kNotOpen, Activity::kWrite, stream);
  }
}

void DiscardBuffer(TextStream& stream) { stream.bufferPosition = 0; }

void WriteLine(std::string_view text) {
  PutText(OutputStream, text);
  EndLine(OutputStream);
}

}  // namespace runtime
