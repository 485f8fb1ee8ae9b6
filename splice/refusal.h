// The runs the program refuses to carry out, and their exit statuses: each
// ends without a run-time error but without a joined movie. The numbers are
// the Windows codes for what went wrong.
#pragma once

#include <cstdint>
#include <string>

namespace splice {

// ERROR_FILE_NOT_FOUND: an input is missing.
inline constexpr std::uint32_t kMissingInputStatus = 2;
// ERROR_NOT_SUPPORTED: the volume gives no file identity that tells the
// output, or standard output, from an input; joined, it could empty a movie.
inline constexpr std::uint32_t kUnknownIdentityStatus = 50;
// ERROR_INVALID_PARAMETER: the output is an input, or standard output.
inline constexpr std::uint32_t kOutputIsInputStatus = 87;
// ERROR_INVALID_NAME: an argument did not reach the program exactly as given.
inline constexpr std::uint32_t kChangedArgumentStatus = 123;
// ERROR_BAD_ARGUMENTS: a wrong count is a failure, or a script with an empty
// variable or a forgotten name would carry on as if joined.
inline constexpr std::uint32_t kWrongCountStatus = 160;

// The program's end will exit with `status` and say why on standard error,
// in `words` (what the program would have done and why it did not, with the
// code where there is one).
void Refuse(std::uint32_t status, std::string words);

}  // namespace splice
