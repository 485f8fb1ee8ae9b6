#include "reliability/program_on.h"

#include "runtime/program_end.h"
#include "splice/program.h"

namespace reliability {

void RunProgramOn(platform::System& system) {
  platform::UseSystem(system);
  runtime::StartRuntime();
  splice::RunProgram();
}

}  // namespace reliability
