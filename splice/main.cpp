#include "platform/os.h"
#include "runtime/program_end.h"
#include "splice/program.h"

int main(int argc, char** argv) {
  platform::PrepareProcess();
  platform::UseOs(platform::SystemOs(argc, argv));
  runtime::StartRuntime();
  splice::RunProgram();
}
