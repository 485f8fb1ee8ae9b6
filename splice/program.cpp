#include "splice/program.h"

#include <cstdint>

#include "runtime/io_result.h"
#include "runtime/program_end.h"
#include "runtime/text_stream.h"
#include "splice/movie_splice.h"
#include "util/command_line.h"

namespace splice {
namespace {

constexpr std::int32_t kRequiredArgumentCount = 3;
// Windows' ERROR_INVALID_NAME.
constexpr std::uint32_t kChangedArgumentStatus = 123;

}  // namespace

void RunProgram() {
  using namespace runtime;
  // Inputs are opened for reading only, and every file with read and write
  // sharing.
  DefaultOpenMode = 0;

  WriteLine("Vimbrel");
  CheckIo();
  // A changed name could be another file, and the output is truncated: no
  // file is touched. A changed line cannot even be counted.
  if (!kol::ArgumentsAreExact()) {
    WriteLine("An argument cannot reach the program exactly as given.");
    CheckIo();
    ExitStatus = kChangedArgumentStatus;
  } else if (kol::CountArguments() == kRequiredArgumentCount) {
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
  }
  EndProgram();
}

}  // namespace splice
