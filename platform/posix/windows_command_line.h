// Linux hands a program its arguments as argv; Windows hands it one command
// line. The POSIX build rebuilds the line a Windows user would have typed for
// the same arguments, so that one grammar splits it on every platform.
#pragma once

#include <string>

namespace platform {

// The elements joined by single spaces; an element that is empty or holds a
// byte from 1 to 32 is wrapped in double quotes. The program name loses its
// double quotes, and stands as "vimbrel" when nothing is left of it, so that
// it is always exactly token 0.
std::string WindowsCommandLine(int argc, const char* const* argv);

// Whether the grammar splits that line back into every non-empty element
// after the program name, each exactly. The grammar has no escape, so double
// quotes can defeat it: an odd number of them runs into the next element, a
// leading pair is skipped as a blank pair, and a name wrapped in them loses
// them. Empty elements vanish, as a Windows user's empty pair does.
bool WindowsCommandLineIsExact(int argc, const char* const* argv);

}  // namespace platform
