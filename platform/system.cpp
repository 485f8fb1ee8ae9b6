#include "platform/system.h"

namespace platform {
namespace {
System* current = nullptr;
}

Os& CurrentOs() { return *current; }

Services& CurrentServices() { return *current; }

void UseSystem(System& system) { current = &system; }

}  // namespace platform
