// The real Win32 calls behind the platform interface.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform/command_line_grammar.h"
#include "platform/system.h"
#include "platform/win32/device_path.h"
#include "platform/win32/win32_console.h"

namespace platform {
namespace {

HANDLE ToWin32(Handle handle) { return reinterpret_cast<HANDLE>(handle); }
Handle FromWin32(HANDLE handle) { return reinterpret_cast<Handle>(handle); }

// Whether a path names a device, pipe or mailslot by its full name alone.
bool NamesDevice(const char* path) {
  // A long path is as long as it needs: the call answers with the size it
  // needs when the buffer is too small.
  std::string full(MAX_PATH, '\0');
  DWORD length = ::GetFullPathNameA(path, static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length);
    length = ::GetFullPathNameA(path, static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  if (length == 0 || length >= full.size()) return false;  // the probe tells
  return IsDevicePath(std::string_view(full.data(), length));
}

// What follows token 0 of a command line, found by the rule the program
// splits its arguments with. A look-alike or '?' that stands for a lost
// character in token 0 is a token character too; a look-alike quote or
// blank moves the end, and what follows it then differs.
template <typename Char>
const Char* AfterProgramToken(const Char* line) {
  return line + grammar::SkipArgument(line, 0);
}

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& information) {
  return FileIdentity{information.dwVolumeSerialNumber,
                      (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) |
                          information.nFileIndexLow};
}

// GetFileInformationByHandleEx, looked up when asked: Windows XP lacks it, and
// a program that imported it would not start there. Null where it is missing.
using FileInformationByHandleEx = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, void*, DWORD);
FileInformationByHandleEx FindFileInformationByHandleEx() {
  // Through void (*)(), the type a function pointer may be cast from freely.
  return reinterpret_cast<FileInformationByHandleEx>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetFileInformationByHandleEx")));
}

// The 128-bit file id, which ReFS and some network volumes need: their 64-bit
// index is not unique. A file system without such ids answers with zeros;
// Windows before 8 has no such query (Vista and 7 refuse the class). Only a
// whole identity is taken: a part of 0 is unknown, and the older query may
// know it.
bool IdentityOf(HANDLE file, FileIdentity* identity) {
  const FileInformationByHandleEx query = FindFileInformationByHandleEx();
  FILE_ID_INFO information;
  if (query == nullptr || !query(file, FileIdInfo, &information, sizeof information)) {
    return false;
  }
  FileIdentity wide{information.VolumeSerialNumber};
  static_assert(sizeof information.FileId.Identifier == sizeof wide.index + sizeof wide.indexHigh);
  std::memcpy(&wide.index, information.FileId.Identifier, sizeof wide.index);
  std::memcpy(&wide.indexHigh, information.FileId.Identifier + sizeof wide.index,
              sizeof wide.indexHigh);
  if (wide.index == 0 && wide.indexHigh == 0) return false;
  // Nor is an id without its volume an identity: Wine answers so for a
  // standard handle it got from Linux.
  if (wide.volume == 0) return false;
  *identity = wide;
  return true;
}

// Windows ends a console program with this status on Ctrl-C and Ctrl-Break;
// Wine ends it with 0, which a script would take for a finished join.
BOOL WINAPI EndOnInterrupt(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  ::ExitProcess(STATUS_CONTROL_C_EXIT);
}

class Win32Os final : public System {
 public:
  Handle OpenFile(const char* path, std::uint32_t access, std::uint32_t share,
                  std::uint32_t disposition) override {
    return FromWin32(::CreateFileA(path, access, share, nullptr, disposition,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  }

  bool Read(Handle handle, void* buffer, std::uint32_t count,
            std::uint32_t* transferred) override {
    DWORD done = 0;
    const bool ok = ::ReadFile(ToWin32(handle), buffer, count, &done, nullptr) != FALSE;
    if (ok) *transferred = done;
    return ok;
  }

  bool Write(Handle handle, const void* buffer, std::uint32_t count,
             std::uint32_t* transferred) override {
    DWORD done = 0;
    const bool ok = ::WriteFile(ToWin32(handle), buffer, count, &done, nullptr) != FALSE;
    if (ok) *transferred = done;
    return ok;
  }

  bool FileSize(Handle handle, std::int64_t* size) override {
    LARGE_INTEGER value;
    if (!::GetFileSizeEx(ToWin32(handle), &value)) return false;
    *size = value.QuadPart;
    return true;
  }

  bool Seek(Handle handle, std::int64_t distance, SeekOrigin origin,
            std::int64_t* position) override {
    LARGE_INTEGER move;
    move.QuadPart = distance;
    LARGE_INTEGER reached;
    if (!::SetFilePointerEx(ToWin32(handle), move, &reached,
                            origin == SeekOrigin::kBegin ? FILE_BEGIN : FILE_CURRENT)) {
      return false;
    }
    if (position != nullptr) *position = reached.QuadPart;
    return true;
  }

  bool SetEndOfFile(Handle handle) override { return ::SetEndOfFile(ToWin32(handle)) != FALSE; }

  bool Close(Handle handle) override { return ::CloseHandle(ToWin32(handle)) != FALSE; }

  std::uint32_t LastError() override { return ::GetLastError(); }

  Handle StandardHandle(StdHandle which) override {
    return FromWin32(
        ::GetStdHandle(which == StdHandle::kOutput ? STD_OUTPUT_HANDLE
                       : which == StdHandle::kError ? STD_ERROR_HANDLE
                                                    : STD_INPUT_HANDLE));
  }

  FileType DeviceType(Handle handle) override {
    switch (::GetFileType(ToWin32(handle))) {
      case FILE_TYPE_DISK:
        return FileType::kDisk;
      case FILE_TYPE_CHAR:
        return FileType::kChar;
      case FILE_TYPE_PIPE:
        return FileType::kPipe;
      default:
        return FileType::kUnknown;
    }
  }

  bool IsConsole(Handle handle) override {
    DWORD mode = 0;
    return ::GetConsoleMode(ToWin32(handle), &mode) != FALSE;
  }

  bool WriteConsoleText(Handle handle, const char* text, std::uint32_t count) override {
    return platform::WriteConsoleText(ToWin32(handle), codePage_, characters_, text, count);
  }

  std::uint32_t WholeCharacters(const char* text, std::uint32_t count) override {
    return platform::WholeCharacters(characters_, text, count);
  }

  PathKind IdentityOfHandle(Handle handle, FileIdentity* identity) override {
    // A console or pipe has no file information to give. A handle that is
    // none fails, as fstat fails on POSIX: GetFileType tells that failure
    // from a type it does not know by an error code, cleared first.
    ::SetLastError(NO_ERROR);
    const FileType type = DeviceType(handle);
    if (type == FileType::kUnknown && ::GetLastError() != NO_ERROR) return PathKind::kUnknown;
    if (type != FileType::kDisk) return PathKind::kOther;
    if (IdentityOf(ToWin32(handle), identity)) return PathKind::kDiskFile;
    // Its volume serial or index may be 0 too, unknown as above: Compare
    // never takes an unknown part for an equal one.
    BY_HANDLE_FILE_INFORMATION information;
    if (!::GetFileInformationByHandle(ToWin32(handle), &information)) return PathKind::kUnknown;
    *identity = IdentityOf(information);
    return PathKind::kDiskFile;
  }

  PathKind IdentityOfPath(const char* path, FileIdentity* identity) override {
    if (NamesDevice(path)) return PathKind::kOther;
    // No access asked for and every sharing allowed: this only reads the
    // file's information and disturbs no other user of it. Backup semantics
    // let the same call answer for a folder.
    const HANDLE file = ::CreateFileA(path, 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return PathKind::kUnknown;
    const PathKind kind = IdentityOfHandle(FromWin32(file), identity);
    const DWORD error = ::GetLastError();
    ::CloseHandle(file);
    ::SetLastError(error);
    return kind;
  }

  std::uint32_t ModuleFileName(char* buffer, std::uint32_t size) override {
    return ::GetModuleFileNameA(nullptr, buffer, size);
  }

  std::uint32_t FileAttributes(const char* path) override {
    if (NamesDevice(path)) return FILE_ATTRIBUTE_DEVICE;
    return ::GetFileAttributesA(path);
  }

  std::uintptr_t ModuleBase(const void* code) override {
    MEMORY_BASIC_INFORMATION region;
    if (::VirtualQuery(code, &region, sizeof region) == 0 || region.State != MEM_COMMIT) {
      return 0;
    }
    return reinterpret_cast<std::uintptr_t>(region.AllocationBase);
  }

  [[noreturn]] void Exit(std::uint32_t status) override { ::ExitProcess(status); }

  // The services.

  // GetCommandLineA gives the same text on every call: asked once.
  GivenArguments Arguments() override { return GivenArguments{commandLine_, nullptr}; }

  // The ANSI command line is the wide one converted to the ANSI code page.
  // Converted here without any substitution, the wide line must give the
  // same bytes from the end of token 0 on: the program as typed names no
  // file, and a folder outside the code page on its path loses nothing.
  bool CommandLineKeepsEveryCharacter() override {
    const wchar_t* wide = AfterProgramToken(::GetCommandLineW());
    // UTF-8 has a byte sequence for every character but accepts neither
    // these flags nor the default-character report; it may only refuse a
    // lone surrogate.
    const bool utf8 = ::GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL substituted = FALSE;
    BOOL* report = utf8 ? nullptr : &substituted;
    const int size = ::WideCharToMultiByte(CP_ACP, flags, wide, -1, nullptr, 0, nullptr, report);
    if (size <= 0 || substituted) return false;
    std::string converted(static_cast<std::size_t>(size), '\0');
    if (::WideCharToMultiByte(CP_ACP, flags, wide, -1, converted.data(), size, nullptr, report) !=
            size ||
        substituted) {
      return false;
    }
    converted.pop_back();  // the NUL the conversion counted
    return converted == AfterProgramToken(commandLine_);
  }

  std::string ErrorWords(std::uint32_t code) override {
    char words[512];
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, code, 0, words, sizeof words, nullptr);
    // The system's text ends with CR LF, and sometimes a space before it.
    while (length > 0 && static_cast<unsigned char>(words[length - 1]) <= ' ') --length;
    return length > 0 ? std::string(words, length) : "unknown error";
  }

  // A console shows text as standard output's lines reach it, as
  // characters; a file or pipe gets the bytes.
  void WriteErrorLine(const std::string& text) override {
    const std::string line = text + "\r\n";
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
    if (IsConsole(FromWin32(error))) {
      WriteConsoleText(FromWin32(error), line.data(), static_cast<std::uint32_t>(line.size()));
      return;
    }
    DWORD written = 0;
    ::WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }

 private:
  const char* const commandLine_ = ::GetCommandLineA();
  // The ANSI code page, the program's for as long as it runs.
  const UINT codePage_ = ::GetACP();
  const CharacterRule characters_ = CharacterRuleOf(codePage_);
};

}  // namespace

// Windows returns an error where POSIX raises SIGPIPE or SIGXFSZ; what it
// needs is the status of an interrupted run.
void PrepareProcess() { ::SetConsoleCtrlHandler(EndOnInterrupt, TRUE); }

std::unique_ptr<System> MakeRealSystem(int /*argc*/, char** /*argv*/) {
  return std::make_unique<Win32Os>();
}

}  // namespace platform
