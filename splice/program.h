// The program's entry after runtime start-up: banner, argument count, usage
// text or the movie splice, and the program's end.
#pragma once

namespace splice {

[[noreturn]] void RunProgram();

}  // namespace splice
