#include <memory>

#include "platform/system.h"
#include "runtime/program_end.h"
#include "splice/program.h"

int main(int argc, char** argv) {
  platform::PrepareProcess();
  const std::unique_ptr<platform::System> system = platform::MakeRealSystem(argc, argv);
  platform::UseSystem(*system);
  runtime::StartRuntime();
  splice::RunProgram();
}
