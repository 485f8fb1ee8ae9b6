// The arguments as POSIX hands them over: one by one, split already, and
// carrying every byte the user typed.
#include "platform/posix/posix_os.h"

namespace platform {

GivenArguments PosixOs::Arguments() { return GivenArguments{nullptr, &arguments_}; }

bool PosixOs::CommandLineKeepsEveryCharacter() { return true; }

}  // namespace platform
