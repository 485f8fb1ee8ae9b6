#include "platform/os.h"

namespace platform {
namespace {
Os* current = nullptr;
}

Os& CurrentOs() { return *current; }

void UseOs(Os& os) { current = &os; }

}  // namespace platform
