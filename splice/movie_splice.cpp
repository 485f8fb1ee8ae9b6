#include "splice/movie_splice.h"

#include <cstdint>
#include <string>
#include <utility>

#include "runtime/file_record.h"
#include "runtime/io_check.h"
#include "runtime/io_result.h"
#include "runtime/program_end.h"
#include "runtime/text_stream.h"
#include "splice/file_rules.h"
#include "splice/refusal.h"
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
// Each phase passes check sites of its own, so that a failure report tells
// the phases apart by its location.
struct CopyChecks {
  CheckSite& read;
  CheckSite& shortRead;
  CheckSite& write;
};
std::int32_t CopyChunk(FileRecord& from, FileRecord& to, std::int32_t request,
                       const CopyChecks& checks) {
  std::int32_t transferred = 0;
  ReadRecords(from, movieBuffer, request, &transferred);
  CheckIo(checks.read);
  if (transferred == 0) SetPendingIoResult(kShortRead, Activity::kRead, from);
  CheckIo(checks.shortRead);
  WriteRecords(to, movieBuffer, transferred, nullptr);
  CheckIo(checks.write);
  return transferred;
}

// Refuses an output that is one of the movies or standard output, or that
// nothing tells apart from one.
void RefuseOutput(const std::string& outputName, const Found<const IoRecord*>& holder) {
  const bool isStdout = holder.where == &OutputStream;
  const std::string other = isStdout ? "standard output" : "an input file";
  if (holder.certain) {
    WriteLine("Output file `" + outputName + "' is " + other + ".");
    CheckIo(VIMBREL_CHECK_SITE());
    Refuse(kOutputIsInputStatus,
           FailureText(kOutputIsInputStatus, Activity::kCreate, outputName.c_str(),
                       isStdout ? "it is standard output" : "it is one of the inputs"));
    return;
  }
  WriteLine("Output file `" + outputName + "' cannot be told from " + other + ".");
  CheckIo(VIMBREL_CHECK_SITE());
  Refuse(kUnknownIdentityStatus,
         FailureText(kUnknownIdentityStatus, Activity::kCreate, outputName.c_str(),
                     std::string("its volume gives no file identity that tells it from ") +
                         (isStdout ? "standard output" : "the inputs")));
}

}  // namespace

void SpliceMovies() {
  const std::string firstName = kol::ArgumentAt(1);
  const std::string secondName = kol::ArgumentAt(2);
  const std::string outputName = kol::ArgumentAt(3);

  // No text of the program's goes into a movie: the line on standard error
  // is kept out of both from here on, however the run ends.
  InputPaths = {firstName, secondName};
  // Standard output redirected to a movie would write the program's lines
  // into it, or have emptied it already (`> a.mve`): not one line goes
  // there, not even the banner waiting in the buffer.
  // Nor where nothing tells standard output's file from a movie.
  const Found<const std::string*> input = PathOfStandardOutput(InputPaths);
  if (input.where != nullptr) {
    DiscardBuffer(OutputStream);
    if (input.certain) {
      Refuse(kOutputIsInputStatus, FailureText(kOutputIsInputStatus, Activity::kRead,
                                               input.where->c_str(), "standard output goes to it"));
    } else {
      Refuse(kUnknownIdentityStatus,
             FailureText(kUnknownIdentityStatus, Activity::kRead, input.where->c_str(),
                         "its volume gives no file identity that tells it from standard "
                         "output"));
    }
    return;
  }

  // What the existence check found each input to be, which decides before
  // anything opens it whether it can be joined.
  std::uint32_t firstAttributes = 0;
  std::uint32_t secondAttributes = 0;
  for (const auto& [input, attributes] :
       {std::pair{&firstName, &firstAttributes}, std::pair{&secondName, &secondAttributes}}) {
    std::uint32_t queryError = 0;
    if (!kol::IsExistingFile(input->c_str(), &queryError, attributes)) {
      // Taken before anything else is asked of the system, which has the
      // words for its last failure alone.
      const std::string why =
          queryError == 0 ? "cannot join `" + *input + "': it is a folder (error 2)"
                          : OsFailureText(queryError, Activity::kFind, input->c_str());
      WriteLine("Input file `" + *input + "' not found.");
      CheckIo(VIMBREL_CHECK_SITE());
      Refuse(kMissingInputStatus, why);
      return;
    }
  }

  FileRecord first;
  FileRecord second;
  FileRecord output;
  AssignName(first, firstName.c_str());
  RequireNoDevice(first, firstAttributes);
  CheckIo(VIMBREL_CHECK_SITE());
  OpenExisting(first, 1);
  CheckIo(VIMBREL_CHECK_SITE());
  RequireDiskFile(first);
  CheckIo(VIMBREL_CHECK_SITE());
  AssignName(second, secondName.c_str());
  RequireNoDevice(second, secondAttributes);
  CheckIo(VIMBREL_CHECK_SITE());
  OpenExisting(second, 1);
  CheckIo(VIMBREL_CHECK_SITE());
  RequireDiskFile(second);
  CheckIo(VIMBREL_CHECK_SITE());

  // Emptying the output must not empty one of the movies. Nor may the output
  // be the file or pipe standard output goes to, where the lines printed
  // would land inside the movie. The name is asked first, which opens
  // nothing to read or write (a FIFO would wait for its reader, a movie may
  // be read-only); then the file opened, which is the one emptied, whatever
  // the name leads to by then.
  Found<const IoRecord*> holder =
      RecordHolding(outputName.c_str(), {&first, &second, &OutputStream});
  CheckIo(VIMBREL_CHECK_SITE());
  if (holder.where != nullptr) {
    RefuseOutput(outputName, holder);
    return;
  }
  AssignName(output, outputName.c_str());
  OpenOrCreate(output, 1);
  CheckIo(VIMBREL_CHECK_SITE());
  holder = RecordHolding(output, {&first, &second, &OutputStream});
  CheckIo(VIMBREL_CHECK_SITE());
  if (holder.where != nullptr) {
    RefuseOutput(outputName, holder);
    return;
  }
  Truncate(output);
  CheckIo(VIMBREL_CHECK_SITE());

  WriteProgressLine(firstName, outputName);
  CheckIo(VIMBREL_CHECK_SITE());
  // The first movie less its closing bytes, which are never read.
  std::int64_t remaining = FileLength(first);
  CheckIo(VIMBREL_CHECK_SITE());
  remaining -= kTrailerSize;
  const CopyChecks firstPhase{VIMBREL_CHECK_SITE(), VIMBREL_CHECK_SITE(), VIMBREL_CHECK_SITE()};
  while (remaining > 0) {
    const std::int32_t request =
        remaining >= kChunkSize ? kChunkSize : static_cast<std::int32_t>(remaining);
    remaining -= CopyChunk(first, output, request, firstPhase);
  }

  WriteProgressLine(secondName, outputName);
  CheckIo(VIMBREL_CHECK_SITE());
  // The second movie from the end of its file header to its end, which it
  // may move while it is read: the join follows a movie that grows, and one
  // cut below the bytes already copied is a short read, as in the first
  // phase. One of 26 bytes or fewer is past its end from the start.
  SeekTo(second, kHeaderSize);
  CheckIo(VIMBREL_CHECK_SITE());
  const CopyChecks secondPhase{VIMBREL_CHECK_SITE(), VIMBREL_CHECK_SITE(), VIMBREL_CHECK_SITE()};
  for (bool copied = false;; copied = true) {
    bool pastEnd = false;
    const bool atEnd = IsAtEnd(second, &pastEnd);
    CheckIo(VIMBREL_CHECK_SITE());
    if (pastEnd && copied) SetPendingIoResult(kShortRead, Activity::kRead, second);
    CheckIo(VIMBREL_CHECK_SITE());
    if (atEnd) break;
    CopyChunk(second, output, kChunkSize, secondPhase);
  }

  CloseFileRecord(output);
  CheckIo(VIMBREL_CHECK_SITE());
  CloseFileRecord(first);
  CheckIo(VIMBREL_CHECK_SITE());
  CloseFileRecord(second);
  CheckIo(VIMBREL_CHECK_SITE());
}

}  // namespace splice
