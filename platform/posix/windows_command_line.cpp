#include "platform/posix/windows_command_line.h"

#include <algorithm>

namespace platform {
namespace {

bool NeedsQuotes(const std::string& element) {
  if (element.empty()) return true;
  for (unsigned char byte : element) {
    if (byte >= 1 && byte <= 32) return true;
  }
  return false;
}

// Token 0 only has to be one token: argument 0 comes from the program's own
// path. A program name that is empty would become a blank pair and one with a
// double quote could run into the arguments, either shifting every argument.
std::string ProgramToken(const char* programName) {
  std::string token = programName;
  token.erase(std::remove(token.begin(), token.end(), '"'), token.end());
  return token.empty() ? "vimbrel" : token;
}

}  // namespace

std::string WindowsCommandLine(int argc, const char* const* argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) line += ' ';
    const std::string element = i == 0 ? ProgramToken(argv[0]) : argv[i];
    if (NeedsQuotes(element)) {
      line += '"';
      line += element;
      line += '"';
    } else {
      line += element;
    }
  }
  return line;
}

}  // namespace platform
