// The program's one operation: the first movie without its 16 closing bytes,
// then the second movie without its 26-byte file header, into the output.
#pragma once

#include <string_view>

namespace splice {

// Exit statuses of the runs that end without a run-time error but without a
// joined movie: the numbers Windows gives a missing file and an incorrect
// parameter.
inline constexpr unsigned kMissingInputStatus = 2;
inline constexpr unsigned kOutputIsInputStatus = 87;

// Writes a line to standard output; the caller checks it.
void WriteLine(std::string_view text);

// Joins the movies that arguments 1 and 2 name into the file argument 3
// names, or sets the exit status and returns when that cannot begin.
void SpliceMovies();

}  // namespace splice
