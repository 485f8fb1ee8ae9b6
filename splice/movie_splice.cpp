#include "splice/movie_splice.h"

#include <cstdint>
#include <string>

#include "platform/os.h"
#include "runtime/file_record.h"
#include "runtime/io_result.h"
#include "runtime/program_end.h"
#include "runtime/text_stream.h"
#include "util/command_line.h"
#include "util/file_names.h"

namespace splice {
namespace {

using namespace runtime;

constexpr std::int64_t kHeaderSize = 26;
constexpr std::int64_t kTrailerSize = 16;
constexpr std::int32_t kChunkSize = 100000;

// One buffer for the whole run; page-aligned, which the kernel copies fastest.
alignas(4096) unsigned char movieBuffer[kChunkSize];

void WriteProgressLine(const std::string& input, const std::string& output) {
  PutChar(OutputStream, ' ');
  PutText(OutputStream, kol::FileNamePart(input.c_str()));
  PutText(OutputStream, " -> ");
  PutText(OutputStream, output);
  EndLine(OutputStream);
}

// Moves up to `request` bytes from one file to the other; the count moved.
// A read that brings nothing while something is still to be copied (the file
// shrank, or reports more than it holds) would copy nothing for ever: it is
// a short read.
// Always inlined, whatever the build: each phase then has checks of its own,
// and a failure report tells the phases apart by its location.
[[gnu::always_inline]] inline std::int32_t CopyChunk(FileRecord& from, FileRecord& to,
                                                     std::int32_t request) {
  std::int32_t transferred = 0;
  ReadRecords(from, movieBuffer, request, &transferred);
  CheckIo();
  if (transferred == 0) SetPendingIoResult(kShortRead, Activity::kRead, from);
  CheckIo();
  WriteRecords(to, movieBuffer, transferred, nullptr);
  CheckIo();
  return transferred;
}

}  // namespace

void WriteLine(std::string_view text) {
  PutText(OutputStream, text);
  EndLine(OutputStream);
}

void SpliceMovies() {
  const std::string firstName = kol::ArgumentAt(1);
  const std::string secondName = kol::ArgumentAt(2);
  const std::string outputName = kol::ArgumentAt(3);

  for (const std::string* input : {&firstName, &secondName}) {
    std::uint32_t queryError = 0;
    if (!kol::IsExistingFile(input->c_str(), &queryError)) {
      // Taken before anything else is asked of the system, which has the
      // words for its last failure alone.
      const std::string why =
          queryError == 0 ? "cannot join `" + *input + "': it is a folder (error 2)"
                          : "cannot find `" + *input + "': " +
                                platform::CurrentOs().ErrorWords(queryError) + " (error " +
                                std::to_string(queryError) + ")";
      WriteLine("Input file `" + *input + "' not found.");
      CheckIo();
      Refuse(kMissingInputStatus, why);
      return;
    }
  }

  FileRecord first;
  FileRecord second;
  FileRecord output;
  AssignName(first, firstName.c_str());
  OpenExisting(first, 1);
  CheckIo();
  RequireDiskFile(first);
  CheckIo();
  AssignName(second, secondName.c_str());
  OpenExisting(second, 1);
  CheckIo();
  RequireDiskFile(second);
  CheckIo();

  // Creating the output truncates it: it must not be one of the movies. Nor
  // the file or pipe standard output goes to, where the lines printed would
  // land inside the movie.
  const IoRecord* holder = RecordHolding(outputName.c_str(), {&first, &second, &OutputStream});
  CheckIo();
  if (holder == &OutputStream) {
    WriteLine("Output file `" + outputName + "' is standard output.");
    CheckIo();
    Refuse(kOutputIsInputStatus,
           "cannot create `" + outputName + "': it is standard output (error 87)");
    return;
  }
  if (holder != nullptr) {
    WriteLine("Output file `" + outputName + "' is an input file.");
    CheckIo();
    Refuse(kOutputIsInputStatus,
           "cannot create `" + outputName + "': it is one of the inputs (error 87)");
    return;
  }

  AssignName(output, outputName.c_str());
  CreateNew(output, 1);
  CheckIo();

  WriteProgressLine(firstName, outputName);
  CheckIo();
  // The first movie less its closing bytes, which are never read.
  std::int64_t remaining = FileLength(first);
  CheckIo();
  remaining -= kTrailerSize;
  while (remaining > 0) {
    const std::int32_t request =
        remaining >= kChunkSize ? kChunkSize : static_cast<std::int32_t>(remaining);
    remaining -= CopyChunk(first, output, request);
  }

  WriteProgressLine(secondName, outputName);
  CheckIo();
  // The second movie from the end of its file header to its end.
  SeekTo(second, kHeaderSize);
  CheckIo();
  for (;;) {
    const bool atEnd = IsAtEnd(second);
    CheckIo();
    if (atEnd) break;
    CopyChunk(second, output, kChunkSize);
  }

  CloseFileRecord(output);
  CheckIo();
  CloseFileRecord(first);
  CheckIo();
  CloseFileRecord(second);
  CheckIo();
}

}  // namespace splice
