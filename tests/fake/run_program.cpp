#include "fake/run_program.h"

#include "runtime/program_end.h"
#include "splice/program.h"

namespace fake {

void StartOn(FakeOs& os) {
  platform::UseSystem(os);
  runtime::StartRuntime();
}

std::uint32_t RunProgram(FakeOs& os) {
  StartOn(os);
  try {
    splice::RunProgram();
  } catch (const ProcessExit& exit) {
    return exit.status;
  }
}

}  // namespace fake
