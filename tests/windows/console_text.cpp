// Writes texts to the console on standard output as the program writes its
// own, in a code page that need not be the process's:
//
//   vimbrel_console_text CODEPAGE xHEX...
//
// Each xHEX ("x" and the bytes in hexadecimal) is one write. Status 0 when
// every write succeeded; otherwise the failure on standard error.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/win32_console.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const auto codePage = static_cast<UINT>(std::strtoul(argv[1], nullptr, 10));
  const platform::CharacterRule rule = platform::CharacterRuleOf(codePage);
  const HANDLE console = ::GetStdHandle(STD_OUTPUT_HANDLE);
  for (int i = 2; i < argc; ++i) {
    std::string bytes;
    for (const char* digits = argv[i] + 1; digits[0] != 0 && digits[1] != 0; digits += 2) {
      bytes += static_cast<char>(std::stoi(std::string(digits, 2), nullptr, 16));
    }
    if (!platform::WriteConsoleText(console, codePage, rule, bytes.data(),
                                    static_cast<std::uint32_t>(bytes.size()))) {
      std::fprintf(stderr, "write %d failed (error %lu)\n", i - 1, ::GetLastError());
      return 1;
    }
  }
  return 0;
}
