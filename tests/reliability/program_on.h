// Runs the whole program on a given operating system. Kept apart from the
// tests that include <fcntl.h>, where glibc's splice() hides the namespace.
#pragma once

#include "platform/os.h"

namespace reliability {

[[noreturn]] void RunProgramOn(platform::Os& os);

}  // namespace reliability
