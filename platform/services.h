// What the program needs of its system beyond the Win32 calls of os.h: its
// arguments as the system hands them over, the system's words for an error,
// and the line on standard error that says why a run failed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// How the system handed the process its arguments: Windows as the one
// command line the user typed, which the program splits by its own rules;
// POSIX one by one, split already.
struct GivenArguments {
  // GetCommandLineA; null where the arguments come one by one.
  const char* commandLine = nullptr;
  // argv, the program's name first; null where a command line comes.
  const std::vector<std::string>* oneByOne = nullptr;
};

class Services {
 public:
  virtual ~Services() = default;

  virtual GivenArguments Arguments() = 0;
  // Whether the command line holds every character the user typed after
  // token 0, the program as typed, which names no file. Windows converts
  // the line to its ANSI code page, where a character the page lacks becomes
  // a look-alike or '?'; POSIX hands over the bytes typed.
  virtual bool CommandLineKeepsEveryCharacter() = 0;
  // The system's own words for `code`, which the last failed call of Os has
  // just given: FormatMessageA's on Windows; on POSIX the C library's for
  // the errno that call failed with, which POSIX keeps because several
  // errnos give one Windows number. No line end.
  virtual std::string ErrorWords(std::uint32_t code) = 0;
  // Writes one line to standard error, ended as text lines end on this
  // system. Unchecked: nothing is left to report its failure to.
  virtual void WriteErrorLine(const std::string& text) = 0;
};

// The services every layer above calls; system.h puts them in place.
Services& CurrentServices();

}  // namespace platform
