#include "runtime/program_end.h"

#include <cstdlib>

#include "platform/os.h"
#include "platform/services.h"
#include "runtime/file_record.h"
#include "runtime/held_file.h"
#include "runtime/io_result.h"
#include "runtime/text_stream.h"

namespace runtime {

std::uint32_t ExitStatus = 0;
std::uintptr_t ErrorLocation = 0;
std::string ProgramName;
std::vector<std::string> InputPaths;

namespace {

// Standard error that cannot be asked what it is gets the line as ever: it
// is all the user learns of why the run failed. One that nothing tells from
// an input may be that input, and gets none.
bool StandardErrorIsAnInput() {
  if (InputPaths.empty()) return false;
  const platform::Handle handle =
      platform::CurrentOs().StandardHandle(platform::StdHandle::kError);
  return handle != platform::kInvalidHandle && PathHeldBy(handle, InputPaths).where != nullptr;
}

}  // namespace

void StartRuntime() {
  PendingIoResult = 0;
  PendingFailure.clear();
  ExitStatus = 0;
  ErrorLocation = 0;
  ProgramName.clear();
  InputPaths.clear();
  DefaultOpenMode = 2;
  AssignName(InputStream, "");
  AssignName(OutputStream, "");
}

std::string RuntimeErrorMessage(std::uint32_t code, std::uint32_t location) {
  std::string message = "Runtime error     at 00000000";
  std::size_t position = 16;  // the code's last digit
  do {
    message[position--] = static_cast<char>('0' + code % 10);
    code /= 10;
  } while (code != 0);
  position = 28;  // the location's last digit
  do {
    message[position--] = "0123456789ABCDEF"[location & 0xF];
    location >>= 4;
  } while (location != 0);
  return message;
}

void RuntimeErrorExit(std::uint32_t code, std::uintptr_t location) {
  ErrorLocation = location;
  ExitStatus = code;
  EndProgram();
}

void EndProgram() {
  platform::Os& os = platform::CurrentOs();
  // Taken before standard output is written to: a failure there must not
  // replace the one that ends the run.
  std::string failure = PendingFailure;
  if (ErrorLocation != 0) {
    // Relative to the module that holds it, the location stays the same from
    // run to run of one build.
    const std::uintptr_t relative =
        ErrorLocation - os.ModuleBase(reinterpret_cast<const void*>(ErrorLocation));
    const std::string message =
        RuntimeErrorMessage(ExitStatus, static_cast<std::uint32_t>(relative));
    // Nothing is left to report a failure of these writes to.
    PutTerminatedText(OutputStream, message.c_str());
    EndLine(OutputStream);
    ErrorLocation = 0;
  }
  // Standard input is closed only when something opened it: a program that
  // never reads it must not end with 103.
  if (IsOpen(InputStream.state)) CloseFileRecord(InputStream);
  CloseFileRecord(OutputStream);
  // The last lines of a run that otherwise went well did not reach standard
  // output: a script must not take that run for a success.
  if (ExitStatus == 0 && PendingIoResult != 0) {
    ExitStatus = PendingIoResult;
    failure = PendingFailure;
  }
  if (ExitStatus != 0 && !StandardErrorIsAnInput()) {
    platform::CurrentServices().WriteErrorLine(ProgramName.empty() ? failure
                                                                   : ProgramName + ": " + failure);
  }
  os.Exit(ExitStatus);
  // Exit does not come back; the compiler cannot see that through the interface.
  std::abort();
}

}  // namespace runtime
