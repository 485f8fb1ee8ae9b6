// The command-line grammar on arbitrary bytes: positions never pass the
// terminator, the count is the number of tokens after token 0, every counted
// argument is a non-empty piece of the line and the next one is empty, and
// the same line always splits the same way. The grammar over UTF-16, by
// which the Win32 layer finds token 0 in the wide command line, cuts the
// same line into the same tokens.
#include <memory>
#include <string>
#include <vector>

#include "fuzz_text.h"
#include "platform/command_line_grammar.h"
#include "util/command_line.h"

namespace {

// The line in UTF-16 units, terminated, in a buffer of exactly its size. A
// byte from 128 on becomes a unit beyond 255 whose low byte is a blank or a
// quote: a token unit all the same.
std::unique_ptr<char16_t[]> Wide(const std::string& line) {
  std::unique_ptr<char16_t[]> wide(new char16_t[line.size() + 1]);
  for (std::size_t i = 0; i < line.size(); ++i) {
    const auto byte = static_cast<unsigned char>(line[i]);
    wide[i] = byte < 128 ? byte : static_cast<char16_t>(byte << 8 | (byte & 1 ? '"' : ' '));
  }
  wide[line.size()] = 0;
  return wide;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::ExactText text(data, size);
  const char* line = text.get();
  const std::string whole(line, text.size());

  // Walk the tokens with the building blocks alone.
  const std::unique_ptr<char16_t[]> wide = Wide(whole);
  std::vector<std::string> tokens;
  for (std::size_t position = 0;;) {
    const std::size_t start = kol::SkipBlanks(line, position);
    FUZZ_CHECK(start >= position && start <= text.size());
    const std::size_t end = kol::SkipArgument(line, start);
    FUZZ_CHECK(end >= start && end <= text.size());
    FUZZ_CHECK(kol::SkipArgument(line, position) == end);
    FUZZ_CHECK(platform::grammar::SkipBlanks(wide.get(), position) == start);
    FUZZ_CHECK(platform::grammar::SkipArgument(wide.get(), position) == end);
    if (end == start) break;
    tokens.push_back(whole.substr(start, end - start));
    position = end;
  }

  const std::int32_t count = kol::CountArguments(line);
  FUZZ_CHECK(count == (tokens.empty() ? 0 : static_cast<std::int32_t>(tokens.size()) - 1));
  FUZZ_CHECK(kol::CountArguments(line) == count);
  for (std::int32_t index = 1; index <= count; ++index) {
    const std::string argument = kol::ArgumentAt(line, index);
    FUZZ_CHECK(!argument.empty());
    // A token with its outer quotes removed: a piece of the line.
    FUZZ_CHECK(whole.find(argument) != std::string::npos);
    const std::string& token = tokens[index];
    FUZZ_CHECK(argument == token ||
               (token.size() >= 2 && token.front() == '"' && token.back() == '"' &&
                argument == token.substr(1, token.size() - 2)));
    FUZZ_CHECK(kol::ArgumentAt(line, index) == argument);
  }
  FUZZ_CHECK(kol::ArgumentAt(line, count + 1).empty());
  FUZZ_CHECK(kol::ArgumentAt(line, count + 2).empty());
  // A negative index gives token 0, as index 0 of the line does.
  FUZZ_CHECK(kol::ArgumentAt(line, -1) == kol::ArgumentAt(line, 0));
  return 0;
}
