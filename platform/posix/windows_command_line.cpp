#include "platform/posix/windows_command_line.h"

#include <algorithm>

namespace platform {
namespace {

constexpr char kQuote = '"';

bool IsSeparator(unsigned char byte) { return byte >= 1 && byte <= 32; }

bool NeedsQuotes(const std::string& element) {
  return element.empty() || std::any_of(element.begin(), element.end(), [](char byte) {
           return IsSeparator(static_cast<unsigned char>(byte));
         });
}

std::string Written(const std::string& element) {
  return NeedsQuotes(element) ? kQuote + element + kQuote : element;
}

// Token 0 only has to be one token: argument 0 comes from the program's own
// path. A program name that is empty would become a blank pair and one with a
// double quote could run into the arguments, either shifting every argument.
std::string ProgramToken(const char* programName) {
  std::string token = programName;
  token.erase(std::remove(token.begin(), token.end(), kQuote), token.end());
  return token.empty() ? "vimbrel" : token;
}

// Whether a non-empty element, written into the line and followed by a space
// (or by the line's end when `last`), is read back as one token that gives
// the element. Each element starts where the one before it ended, so every
// element can be judged on its own.
bool ReadsBack(const std::string& element, bool last) {
  const std::string written = Written(element);
  if (written.compare(0, 2, "\"\"") == 0) return false;  // skipped as a blank pair
  bool inStretch = false;
  for (const char byte : written) {
    if (byte == kQuote) {
      inStretch = !inStretch;
    } else if (!inStretch && IsSeparator(static_cast<unsigned char>(byte))) {
      return false;  // the token ends inside the element
    }
  }
  // A stretch left open takes the rest of the line: only at its end is that
  // the element alone.
  if (inStretch && !last) return false;
  // The grammar takes away a pair of outer quotes, which must be the pair
  // the writing added.
  const bool outerPair = written.size() >= 2 && written.front() == kQuote &&
                         written.back() == kQuote;
  return outerPair == (written.size() != element.size());
}

}  // namespace

std::string WindowsCommandLine(int argc, const char* const* argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) line += ' ';
    line += Written(i == 0 ? ProgramToken(argv[0]) : argv[i]);
  }
  return line;
}

bool WindowsCommandLineIsExact(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string element = argv[i];
    if (!element.empty() && !ReadsBack(element, i == argc - 1)) return false;
  }
  return true;
}

}  // namespace platform
