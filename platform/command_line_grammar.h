// The grammar that cuts the program's command line into tokens, over the
// bytes of the ANSI line and the UTF-16 units of the wide one alike: module
// kol splits the arguments by it, and the Win32 layer finds by it where
// token 0 ends in both lines to compare what follows.
//
// Separators are the units 1 to 32; two adjacent double quotes where a token
// could begin are a blank pair, which counts as a separator. A token runs
// over units above 32, and a double quote in it opens a stretch that holds
// every unit up to the closing quote. Every comparison is unsigned, so bytes
// 128 to 255, and every unit beyond them, belong to tokens.
#pragma once

#include <cstddef>
#include <type_traits>

namespace platform::grammar {

template <typename Char>
constexpr bool IsSeparator(Char unit) {
  const auto value = static_cast<std::make_unsigned_t<Char>>(unit);
  return value >= 1 && value <= 32;
}

template <typename Char>
constexpr bool IsTokenUnit(Char unit) {
  return static_cast<std::make_unsigned_t<Char>>(unit) > 32;
}

// The position of the first unit from `position` on that is neither a
// separator nor the start of a blank pair.
template <typename Char>
std::size_t SkipBlanks(const Char* text, std::size_t position) {
  for (;;) {
    while (IsSeparator(text[position])) ++position;
    if (text[position] != Char('"') || text[position + 1] != Char('"')) return position;
    position += 2;
  }
}

// The position just after the token that begins at SkipBlanks(position); a
// quote never closed takes the rest of the line.
template <typename Char>
std::size_t SkipArgument(const Char* text, std::size_t position) {
  position = SkipBlanks(text, position);
  while (IsTokenUnit(text[position])) {
    if (text[position++] != Char('"')) continue;
    while (text[position] != Char(0) && text[position] != Char('"')) ++position;
    if (text[position] == Char('"')) ++position;  // the closing quote
  }
  return position;
}

}  // namespace platform::grammar
