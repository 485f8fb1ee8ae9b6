// Module kol: the program's arguments, cut from the one command line the
// platform gives by the program's own quoting rules.
//
// Separators are the bytes 1 to 32; two adjacent double quotes where a token
// could begin count as a separator too (a blank pair). A double quote inside a
// token opens a stretch that holds every byte up to the closing quote,
// separators included; there is no escape character. Argument n is token n,
// token 0 being the program as typed, with one pair of outer quotes removed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kol {

// The position of the first byte from `position` on that is neither a
// separator nor the start of a blank pair.
std::size_t SkipBlanks(const char* text, std::size_t position);
// The position just after the token that begins at SkipBlanks(position).
std::size_t SkipArgument(const char* text, std::size_t position);

// Token `index` of the given line under the outer-quote rule: index 0, or any
// negative index, gives token 0; an index past the last token the empty text.
std::string ArgumentAt(const char* commandLine, std::int32_t index);
// The number of tokens after token 0 of the given line.
std::int32_t CountArguments(const char* commandLine);

// Whether nothing but separators and arguments follows token 0 of the given
// line: a blank pair is no argument, but something typed all the same.
bool HasNoBlankPair(const char* commandLine);

// The process's arguments: argument 0 is the path of the program's own file,
// the others come from the process's command line, read anew on every call.
std::string ArgumentAt(std::int32_t index);
std::int32_t CountArguments();
// Whether those arguments are exactly what the user gave: a name the
// command line could not carry reaches the program changed.
bool ArgumentsAreExact();
// The same of the process's command line.
bool HasNoBlankPair();

}  // namespace kol
