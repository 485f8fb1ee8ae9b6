// The command-line grammar on arbitrary bytes, against a second reading of
// its rules written here as a state machine over the line's bytes and its
// length, sharing no code with the module: every position splits as the
// rules say, the arguments and their count are the tokens after token 0 with
// one pair of outer quotes removed, and a blank pair after token 0 is seen.
// The line the Windows user would type for those arguments splits back into
// them when none holds a double quote, and SplitsBackInto says whether it
// does. The grammar over UTF-16, by which the Win32 layer finds token 0 in
// the wide command line, cuts the same line at the same places.
#include <memory>
#include <string>
#include <vector>

#include "fuzz_text.h"
#include "platform/command_line_grammar.h"
#include "util/command_line.h"

namespace {

constexpr unsigned char kQuote = '"';

struct Token {
  std::size_t start;  // the line's length for the empty token at its end
  std::size_t end;
  bool afterBlankPair;  // a blank pair was skipped on the way to it
};

// Between tokens, bytes 1 to 32 and blank pairs (two double quotes where a
// token could begin) are skipped. A token takes bytes above 32; a double
// quote in it opens a stretch that takes every byte up to and including the
// closing quote, or up to the end of the line.
Token TokenFrom(const std::string& line, std::size_t position) {
  enum { kBetween, kPlain, kQuoted } state = kBetween;
  Token token{line.size(), line.size(), false};
  for (; position < line.size(); ++position) {
    const auto byte = static_cast<unsigned char>(line[position]);
    switch (state) {
      case kBetween:
        if (byte <= 32) break;
        if (byte == kQuote && position + 1 < line.size() &&
            static_cast<unsigned char>(line[position + 1]) == kQuote) {
          token.afterBlankPair = true;
          ++position;
          break;
        }
        token.start = position;
        state = byte == kQuote ? kQuoted : kPlain;
        break;
      case kPlain:
        if (byte <= 32) {
          token.end = position;
          return token;
        }
        if (byte == kQuote) state = kQuoted;
        break;
      case kQuoted:
        if (byte == kQuote) state = kPlain;
        break;
    }
  }
  return token;
}

std::string WithoutOuterQuotes(const std::string& token) {
  if (token.size() >= 2 && token.front() == '"' && token.back() == '"') {
    return token.substr(1, token.size() - 2);
  }
  return token;
}

struct Split {
  std::string program;  // token 0 under the outer-quote rule
  std::vector<std::string> arguments;
  bool blankPairAfterProgram = false;
};

Split SplitByTheRules(const std::string& line) {
  Split split;
  Token token = TokenFrom(line, 0);
  split.program = WithoutOuterQuotes(line.substr(token.start, token.end - token.start));
  while (token.start != token.end) {
    token = TokenFrom(line, token.end);
    split.blankPairAfterProgram = split.blankPairAfterProgram || token.afterBlankPair;
    if (token.start == token.end) break;
    split.arguments.push_back(WithoutOuterQuotes(line.substr(token.start, token.end - token.start)));
  }
  return split;
}

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

// The module's answers for a line with no NUL byte, against the rules'.
Split CheckLine(const std::string& text) {
  const fuzz::ExactText exact(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  FUZZ_CHECK(exact.size() == text.size());
  const char* line = exact.get();
  const std::unique_ptr<char16_t[]> wide = Wide(text);
  for (std::size_t position = 0; position <= text.size(); ++position) {
    const Token token = TokenFrom(text, position);
    FUZZ_CHECK(kol::SkipBlanks(line, position) == token.start);
    FUZZ_CHECK(kol::SkipArgument(line, position) == token.end);
    FUZZ_CHECK(platform::grammar::SkipBlanks(wide.get(), position) == token.start);
    FUZZ_CHECK(platform::grammar::SkipArgument(wide.get(), position) == token.end);
  }
  const Split split = SplitByTheRules(text);
  const auto count = static_cast<std::int32_t>(split.arguments.size());
  FUZZ_CHECK(kol::CountArguments(line) == count);
  for (std::int32_t index = 1; index <= count; ++index) {
    FUZZ_CHECK(kol::ArgumentAt(line, index) == split.arguments[index - 1]);
  }
  FUZZ_CHECK(kol::ArgumentAt(line, count + 1).empty());
  FUZZ_CHECK(kol::ArgumentAt(line, count + 2).empty());
  FUZZ_CHECK(kol::ArgumentAt(line, 0) == split.program);
  FUZZ_CHECK(kol::ArgumentAt(line, -1) == split.program);
  FUZZ_CHECK(kol::HasNoBlankPair(line) == !split.blankPairAfterProgram);
  return split;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::ExactText text(data, size);
  const Split split = CheckLine(std::string(text.get(), text.size()));

  std::vector<std::string> argv{split.program};
  argv.insert(argv.end(), split.arguments.begin(), split.arguments.end());
  const std::string written = kol::CommandLineFor(argv);
  const Split back = CheckLine(written);
  bool quoteFree = true;
  for (const std::string& argument : split.arguments) {
    quoteFree = quoteFree && argument.find('"') == std::string::npos;
  }
  if (quoteFree) FUZZ_CHECK(back.arguments == split.arguments);
  FUZZ_CHECK(kol::SplitsBackInto(written.c_str(), argv) == (back.arguments == split.arguments));
  return 0;
}
