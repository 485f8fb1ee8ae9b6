#include "util/command_line.h"

#include <algorithm>

#include "platform/command_line_grammar.h"
#include "platform/os.h"
#include "platform/services.h"

namespace kol {
namespace {

constexpr char kQuote = '"';

using platform::grammar::IsSeparator;

// GetModuleFileNameA's buffer: a path longer than this is cut.
constexpr std::uint32_t kModulePathBufferSize = 261;

bool HoldsSeparator(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char byte) { return IsSeparator(byte); });
}

std::string Written(const std::string& argument) {
  return argument.empty() || HoldsSeparator(argument) ? kQuote + argument + kQuote : argument;
}

std::string ProgramToken(std::string name) {
  name.erase(std::remove(name.begin(), name.end(), kQuote), name.end());
  return name.empty() ? "vimbrel" : name;
}

// The line the process's arguments came as, or were written into.
std::string ProcessCommandLine() {
  const platform::GivenArguments given = platform::CurrentServices().Arguments();
  return given.commandLine != nullptr ? given.commandLine : CommandLineFor(*given.oneByOne);
}

}  // namespace

std::size_t SkipBlanks(const char* text, std::size_t position) {
  return platform::grammar::SkipBlanks(text, position);
}

std::size_t SkipArgument(const char* text, std::size_t position) {
  return platform::grammar::SkipArgument(text, position);
}

namespace {

// The token that begins at SkipBlanks(*position), under the outer-quote
// rule, and *position moved past it: the empty text at the end of the line.
std::string NextToken(const char* commandLine, std::size_t* position) {
  const std::size_t start = SkipBlanks(commandLine, *position);
  *position = SkipArgument(commandLine, start);
  std::size_t length = *position - start;
  const char* token = commandLine + start;
  if (length >= 2 && token[0] == kQuote && token[length - 1] == kQuote) {
    ++token;
    length -= 2;
  }
  return std::string(token, length);
}

}  // namespace

std::string ArgumentAt(const char* commandLine, std::int32_t index) {
  std::size_t position = 0;
  std::string token = NextToken(commandLine, &position);
  for (std::int32_t counter = index; counter > 0 && !token.empty(); --counter) {
    token = NextToken(commandLine, &position);
  }
  return token;
}

// One walk over the line: a token that is not empty never gives an empty
// argument, so the count stops at the first empty token.
std::int32_t CountArguments(const char* commandLine) {
  std::size_t position = SkipArgument(commandLine, 0);
  std::int32_t count = 0;
  for (;;) {
    const std::size_t start = SkipBlanks(commandLine, position);
    position = SkipArgument(commandLine, start);
    if (start == position) return count;
    ++count;
  }
}

bool HasNoBlankPair(const char* commandLine) {
  std::size_t position = SkipArgument(commandLine, 0);
  for (;;) {
    while (IsSeparator(commandLine[position])) ++position;
    if (commandLine[position] == '\0') return true;
    if (commandLine[position] == kQuote && commandLine[position + 1] == kQuote) return false;
    position = SkipArgument(commandLine, position);
  }
}

std::string CommandLineFor(const std::vector<std::string>& arguments) {
  std::string line;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) line += ' ';
    line += Written(i == 0 ? ProgramToken(arguments[0]) : arguments[i]);
  }
  return line;
}

bool SplitsBackInto(const char* commandLine, const std::vector<std::string>& arguments) {
  std::size_t position = SkipArgument(commandLine, 0);
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (arguments[i].empty()) continue;
    if (NextToken(commandLine, &position) != arguments[i]) return false;
  }
  return NextToken(commandLine, &position).empty();
}

std::string ArgumentAt(std::int32_t index) {
  platform::Os& os = platform::CurrentOs();
  if (index != 0) return ArgumentAt(ProcessCommandLine().c_str(), index);
  char path[kModulePathBufferSize];
  const std::uint32_t written =
      std::min(os.ModuleFileName(path, kModulePathBufferSize), kModulePathBufferSize);
  // A cut path reports the whole buffer, terminator included: keep the path
  // bytes alone.
  return std::string(path, std::find(path, path + written, '\0'));
}

std::int32_t CountArguments() { return CountArguments(ProcessCommandLine().c_str()); }

bool ArgumentsAreExact() {
  platform::Services& services = platform::CurrentServices();
  if (!services.CommandLineKeepsEveryCharacter()) return false;
  const platform::GivenArguments given = services.Arguments();
  return given.oneByOne == nullptr ||
         SplitsBackInto(CommandLineFor(*given.oneByOne).c_str(), *given.oneByOne);
}

bool HasNoBlankPair() { return HasNoBlankPair(ProcessCommandLine().c_str()); }

}  // namespace kol
