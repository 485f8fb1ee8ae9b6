#include "splice/program.h"

#include <cstdint>
#include <string>

#include "runtime/io_result.h"
#include "runtime/program_end.h"
#include "runtime/text_stream.h"
#include "splice/movie_splice.h"
#include "util/command_line.h"

namespace splice {
namespace {

constexpr std::int32_t kRequiredArgumentCount = 3;

// Windows' ERROR_BAD_ARGUMENTS: a wrong count is a failure, or a script with
// an empty variable or a forgotten name would carry on as if joined.
constexpr std::uint32_t kWrongCountStatus = 160;

// Nothing at all after the program's name, or only a request for help.
bool UsageAsked(std::int32_t count) {
  if (count == 0) return kol::HasOnlyProgramName();
  if (count != 1) return false;
  const std::string argument = kol::ArgumentAt(1);
  return argument == "/?" || argument == "-?" || argument == "-h" || argument == "--help";
}

}  // namespace

void RunProgram() {
  using namespace runtime;
  // Inputs are opened for reading only, and every file with read and write
  // sharing.
  DefaultOpenMode = 0;

  WriteLine("Vimbrel");
  CheckIo();
  const std::int32_t count = kol::CountArguments();
  if (count == kRequiredArgumentCount) {
    SpliceMovies();
  } else {
    WriteLine("");
    CheckIo();
    WriteLine("This program joins two Interplay MVE movies into one.");
    CheckIo();
    WriteLine("");
    CheckIo();
    WriteLine(" usage: vimbrel.exe movie1.mve movie2.mve movie_out.mve");
    CheckIo();
    if (!UsageAsked(count)) {
      Refuse(kWrongCountStatus,
             "expected 3 arguments, got " + std::to_string(count) + " (see the usage above)");
    }
  }
  EndProgram();
}

}  // namespace splice
