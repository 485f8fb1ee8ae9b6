// Runtime start-up and the program's end, normal or after a run-time error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace runtime {

// The process exit status: 0 unless a run-time error or the program sets it.
extern std::uint32_t ExitStatus;
// The code location of a pending run-time error; 0 when there is none.
extern std::uintptr_t ErrorLocation;
// The program's name, which the program sets first: it begins the line on
// standard error, as command-line tools' lines do. Empty, the line says the
// failure alone.
extern std::string ProgramName;

// The files the program only reads, once it knows their names. The line on
// standard error never goes into one of them: text appended to a movie would
// stand where its closing bytes must be.
extern std::vector<std::string> InputPaths;

// Runs before the program's own code: binds the standard streams and resets
// every program-wide value.
void StartRuntime();

// "Runtime error" and the code, its last digit the 17th character, then " at "
// and the location in eight upper-case hexadecimal digits.
std::string RuntimeErrorMessage(std::uint32_t code, std::uint32_t location);

[[noreturn]] void RuntimeErrorExit(std::uint32_t code, std::uintptr_t location);

// Reports a pending run-time error, writes out OutputStream and ends the
// process with ExitStatus. A run that ends with a status other than 0 says
// why in one line on standard error: PendingFailure, which a program that
// sets the status itself sets too. The line is left out where standard
// error is one of InputPaths; the status stays.
[[noreturn]] void EndProgram();

}  // namespace runtime
