// Runs the whole program on a given system. Kept apart from the
// tests that include <fcntl.h>, where glibc's splice() hides the namespace.
#pragma once

#include "platform/system.h"

namespace reliability {

[[noreturn]] void RunProgramOn(platform::System& system);

}  // namespace reliability
