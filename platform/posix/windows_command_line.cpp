#include "platform/posix/windows_command_line.h"

namespace platform {
namespace {

bool NeedsQuotes(const std::string& element) {
  if (element.empty()) return true;
  for (unsigned char byte : element) {
    if (byte >= 1 && byte <= 32) return true;
  }
  return false;
}

}  // namespace

std::string WindowsCommandLine(int argc, const char* const* argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) line += ' ';
    std::string element = argv[i];
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
