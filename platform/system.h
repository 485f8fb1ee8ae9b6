// A whole system for the program: the Win32 calls and the services, which
// the real layers and the tests' fake each give as one object.
#pragma once

#include <memory>

#include "platform/os.h"
#include "platform/services.h"

namespace platform {

class System : public Os, public Services {};

// Puts a system in place for every layer above: the real one in main, a
// fake in the tests.
void UseSystem(System& system);

// Readies the process before anything else runs. POSIX ignores the signals
// that would end it where Windows returns an error, so that the failing
// call reports it; Windows ends an interrupted run with the status a Ctrl-C
// gives.
void PrepareProcess();

// The real system of this build. `argc` and `argv` are how POSIX hands the
// program its arguments; the Win32 build reads its command line itself and
// leaves them.
std::unique_ptr<System> MakeRealSystem(int argc, char** argv);

}  // namespace platform
