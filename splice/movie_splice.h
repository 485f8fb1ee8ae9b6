// The program's one operation: the first movie without its 16 closing bytes,
// then the second movie without its 26-byte file header, into the output.
#pragma once

namespace splice {

// Joins the movies that arguments 1 and 2 name into the file argument 3
// names, or sets the exit status and returns when that cannot begin.
void SpliceMovies();

}  // namespace splice
