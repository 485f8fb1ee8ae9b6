// Module kol: the program's arguments, cut from the one command line the
// platform gives by the program's own quoting rules.
//
// Separators are the bytes 1 to 32; two adjacent double quotes where a token
// could begin count as a separator too (a blank pair). A double quote inside a
// token opens a stretch that holds every byte up to the closing quote,
// separators included; there is no escape character. Argument n is token n,
// token 0 being the program as typed, with one pair of outer quotes removed.
// The rule that finds the tokens is platform/command_line_grammar.h, which the
// Win32 layer uses too, on the wide command line.
//
// Windows hands the program that line as the user typed it. POSIX hands it
// the arguments one by one; the line is then written from them by the same
// rules, and the program refuses arguments that the line cannot carry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// The line a Windows user would type for `arguments` (argv, the program's
// name first): the arguments joined by single spaces, one that is empty or
// holds a separator wrapped in double quotes. The program's name loses its
// double quotes, and stands as "vimbrel" when nothing is left of it, so that
// it is always exactly token 0: argument 0 comes from the program's file.
std::string CommandLineFor(const std::vector<std::string>& arguments);
// Whether the grammar splits the line back into every non-empty argument
// after the program's name, each exactly. It has no escape, so double
// quotes can defeat it: an odd number of them runs into the next argument, a
// leading pair is skipped as a blank pair, and a name wrapped in them loses
// them. Empty arguments vanish, as a Windows user's empty pair does.
bool SplitsBackInto(const char* commandLine, const std::vector<std::string>& arguments);

// The process's arguments: argument 0 is the path of the program's own file,
// the others come from the process's command line, which each call asks the
// platform for and walks once from its start.
std::string ArgumentAt(std::int32_t index);
std::int32_t CountArguments();
// Whether those arguments are exactly what the user gave: a name the
// command line could not carry, or a character it lost, reaches the program
// changed.
bool ArgumentsAreExact();
// The same of the process's command line.
bool HasNoBlankPair();

}  // namespace kol
