// Runs the whole program on a fake operating system.
#pragma once

#include <cstdint>

#include "fake/fake_os.h"

namespace fake {

// Puts the fake in place, starts the runtime afresh and runs the program to
// its end; the exit status it ended with.
std::uint32_t RunProgram(FakeOs& os);

// Puts the fake in place and starts the runtime afresh, for tests that call
// runtime operations themselves.
void StartOn(FakeOs& os);

}  // namespace fake
