// Starts a program with exact command lines and reports how each run ended,
// so that tests see what the program makes of the real GetCommandLineA and
// how it meets files that another process holds open.
//
//   vimbrel_launch PROGRAM [--hold PATH SHARE] [--no-output] [--utf8] xHEX...
//
// PROGRAM is the Windows path of the executable to start. Each xHEX is one
// command line: "x" and its bytes in hexadecimal, so that no shell, loader or
// code page conversion on the way here can touch it ("x" alone is the empty
// line). With --hold, PATH is held open for writing with the sharing flags
// SHARE (a decimal number) while the programs run. With --no-output the
// programs get no standard output handle at all. With --utf8, PROGRAM is an
// xHEX too, and it and every line are UTF-8 that reach the system as UTF-16
// (CreateProcessW): characters outside every code page on the way.
//
// For each run the report on standard output is the line
// "exit CODE COUNT ERRORCOUNT\n" followed by the COUNT bytes the program wrote
// to its standard output and the ERRORCOUNT bytes it wrote to its standard
// error. Status 0 means every run was reported; anything else is a
// fault of the launch itself, described on standard error.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// A program still running after this long is hung: it is stopped.
constexpr DWORD kRunTimeoutMs = 60000;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "vimbrel_launch: %s (error %lu)\n", what, GetLastError());
  std::exit(1);
}

void WriteOut(const void* bytes, std::size_t count) {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  const char* next = static_cast<const char*>(bytes);
  while (count > 0) {
    DWORD written = 0;
    if (!WriteFile(out, next, static_cast<DWORD>(count), &written, nullptr) || written == 0) {
      Fail("cannot write the report");
    }
    next += written;
    count -= written;
  }
}

int HexDigit(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  return -1;
}

std::string DecodeLine(const char* argument) {
  const std::size_t length = std::strlen(argument);
  if (argument[0] != 'x' || length % 2 != 1) Fail("a command line is not x and hex pairs");
  std::string line;
  for (std::size_t position = 1; position < length; position += 2) {
    const int high = HexDigit(argument[position]);
    const int low = HexDigit(argument[position + 1]);
    if (high < 0 || low < 0) Fail("a command line is not x and hex pairs");
    line.push_back(static_cast<char>(high * 16 + low));
  }
  return line;
}

// A pipe whose write end the program inherits.
void MakePipe(SECURITY_ATTRIBUTES& inheritable, HANDLE* readEnd, HANDLE* writeEnd) {
  if (!CreatePipe(readEnd, writeEnd, &inheritable, 0)) Fail("cannot create a pipe");
  if (!SetHandleInformation(*readEnd, HANDLE_FLAG_INHERIT, 0)) Fail("cannot keep the pipe");
}

// Everything until the last writer has gone.
std::string ReadAll(HANDLE readEnd) {
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    bytes.append(buffer, got);
  }
  CloseHandle(readEnd);
  return bytes;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                       static_cast<int>(utf8.size()), nullptr, 0);
  if (size <= 0) Fail("a line is not UTF-8");
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                      wide.data(), size);
  return wide;
}

template <typename StartupInfo>
StartupInfo WithHandles(HANDLE input, HANDLE output, HANDLE error) {
  StartupInfo startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = error;
  return startup;
}

// CreateProcessA, or with `utf8` CreateProcessW of the same texts as UTF-8.
// Either may write into the command line, so it gets a copy.
bool Start(const std::string& program, std::string line, bool utf8, HANDLE input, HANDLE output,
           HANDLE error, PROCESS_INFORMATION* process) {
  if (!utf8) {
    STARTUPINFOA startup = WithHandles<STARTUPINFOA>(input, output, error);
    line.push_back('\0');
    return CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                          nullptr, &startup, process) != FALSE;
  }
  STARTUPINFOW startup = WithHandles<STARTUPINFOW>(input, output, error);
  std::wstring wideLine = Wide(line);
  wideLine.push_back(L'\0');
  return CreateProcessW(Wide(program).c_str(), wideLine.data(), nullptr, nullptr, TRUE, 0,
                        nullptr, nullptr, &startup, process) != FALSE;
}

void Run(const std::string& program, const std::string& line, bool utf8, bool withOutput) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  MakePipe(inheritable, &readEnd, &writeEnd);
  HANDLE errorReadEnd = nullptr;
  HANDLE errorWriteEnd = nullptr;
  MakePipe(inheritable, &errorReadEnd, &errorWriteEnd);
  const HANDLE noInput = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     &inheritable, OPEN_EXISTING, 0, nullptr);
  if (noInput == INVALID_HANDLE_VALUE) Fail("cannot open NUL");

  PROCESS_INFORMATION process{};
  if (!Start(program, line, utf8, noInput, withOutput ? writeEnd : nullptr, errorWriteEnd,
             &process)) {
    Fail("cannot start the program");
  }
  CloseHandle(process.hThread);
  CloseHandle(noInput);
  // Once the program ends no writer is left and the reads see the end. The
  // program writes at most a line to standard error, which the pipe holds
  // while its standard output is read.
  CloseHandle(writeEnd);
  CloseHandle(errorWriteEnd);
  const std::string output = ReadAll(readEnd);
  const std::string errorOutput = ReadAll(errorReadEnd);

  if (WaitForSingleObject(process.hProcess, kRunTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    Fail("the program did not end");
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(process.hProcess, &code)) Fail("cannot read the exit code");
  CloseHandle(process.hProcess);

  char header[64];
  const int length = std::snprintf(header, sizeof header, "exit %lu %zu %zu\n",
                                   static_cast<unsigned long>(code), output.size(),
                                   errorOutput.size());
  WriteOut(header, static_cast<std::size_t>(length));
  WriteOut(output.data(), output.size());
  WriteOut(errorOutput.data(), errorOutput.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    Fail("usage: vimbrel_launch PROGRAM [--hold PATH SHARE] [--no-output] [--utf8] xHEX...");
  }
  std::string program = argv[1];
  int next = 2;
  HANDLE held = INVALID_HANDLE_VALUE;
  if (next < argc && std::strcmp(argv[next], "--hold") == 0) {
    if (next + 2 >= argc) Fail("--hold needs a path and sharing flags");
    const auto share = static_cast<DWORD>(std::strtoul(argv[next + 2], nullptr, 10));
    held = CreateFileA(argv[next + 1], GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) Fail("cannot hold the file");
    next += 3;
  }
  const bool withOutput = !(next < argc && std::strcmp(argv[next], "--no-output") == 0);
  if (!withOutput) ++next;
  const bool utf8 = next < argc && std::strcmp(argv[next], "--utf8") == 0;
  if (utf8) {
    ++next;
    program = DecodeLine(program.c_str());
  }
  for (; next < argc; ++next) Run(program, DecodeLine(argv[next]), utf8, withOutput);
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  return 0;
}
