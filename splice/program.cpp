#include "splice/program.h"

#include <cstdint>
#include <string>

#include "runtime/file_record.h"
#include "runtime/io_check.h"
#include "runtime/program_end.h"
#include "runtime/text_stream.h"
#include "splice/movie_splice.h"
#include "splice/refusal.h"
#include "util/command_line.h"

namespace splice {
namespace {

constexpr std::int32_t kRequiredArgumentCount = 3;
constexpr char kChangedArgumentWords[] =
    "cannot take the arguments exactly as given (double quotes the command line cannot "
    "carry, or characters outside the code page); no file was touched (error 123)";

// The one argument on a line that holds nothing else, blank pairs included:
// a word that asks for something. Empty otherwise: an empty argument beside it
// means a script passed something it did not mean.
std::string LoneWord(std::int32_t count) {
  return count == 1 && kol::HasNoBlankPair() ? kol::ArgumentAt(1) : std::string();
}

// Nothing at all after the program's name, or only a request for help.
bool UsageAsked(std::int32_t count, const std::string& loneWord) {
  if (count == 0) return kol::HasNoBlankPair();
  return loneWord == "/?" || loneWord == "-?" || loneWord == "-h" || loneWord == "--help";
}

}  // namespace

void RunProgram() {
  using namespace runtime;
  // It begins the line that says why a run failed.
  ProgramName = "vimbrel";
  // Inputs are opened for reading only, and every file with read and write
  // sharing.
  DefaultOpenMode = 0;

  WriteLine("Vimbrel");
  CheckIo(VIMBREL_CHECK_SITE());
  // A changed name could be another file, and the output is truncated: no
  // file is touched. A changed line cannot even be counted.
  if (!kol::ArgumentsAreExact()) {
    WriteLine("An argument cannot reach the program exactly as given.");
    CheckIo(VIMBREL_CHECK_SITE());
    Refuse(kChangedArgumentStatus, kChangedArgumentWords);
    EndProgram();
  }
  const std::int32_t count = kol::CountArguments();
  const std::string loneWord = LoneWord(count);
  if (count == kRequiredArgumentCount) {
    SpliceMovies();
  } else if (loneWord == "--version") {
    // Only the word that asks for the version, the convention of
    // command-line tools beside --help.
    // The build passes the project's version.
    WriteLine("vimbrel " VIMBREL_VERSION);
    CheckIo(VIMBREL_CHECK_SITE());
  } else {
    WriteLine("");
    CheckIo(VIMBREL_CHECK_SITE());
    WriteLine("This program joins two Interplay MVE movies into one.");
    CheckIo(VIMBREL_CHECK_SITE());
    WriteLine("");
    CheckIo(VIMBREL_CHECK_SITE());
    WriteLine(" usage: vimbrel.exe movie1.mve movie2.mve movie_out.mve");
    CheckIo(VIMBREL_CHECK_SITE());
    if (!UsageAsked(count, loneWord)) {
      Refuse(kWrongCountStatus,
             "expected 3 arguments, got " + std::to_string(count) + " (see the usage above)");
    }
  }
  EndProgram();
}

}  // namespace splice
