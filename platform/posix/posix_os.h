// The POSIX stand-in for the Win32 calls the program makes, and its services.
#pragma once

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system.h"

namespace platform {

// The system calls PosixOs makes, replaceable so that tests can make the real
// calls fail, return early or be interrupted.
struct SystemCalls {
  int (*open)(const char* path, int flags, mode_t mode);
  ssize_t (*read)(int fd, void* buffer, std::size_t count);
  ssize_t (*write)(int fd, const void* buffer, std::size_t count);
  off_t (*lseek)(int fd, off_t offset, int whence);
  int (*fstat)(int fd, struct stat* status);
  int (*stat)(const char* path, struct stat* status);
  int (*fstatfs)(int fd, struct statfs* status);
  int (*ftruncate)(int fd, off_t length);
  int (*close)(int fd);
  int (*fcntl)(int fd, int command, int argument);
  ssize_t (*readlink)(const char* path, char* buffer, std::size_t size);
  void (*(*signal)(int number, void (*handler)(int)))(int);
};

SystemCalls RealSystemCalls();

// The process set-up of the POSIX program, through `calls`: a write to a
// pipe whose reader has gone (SIGPIPE) and a write past the file-size limit
// (SIGXFSZ) must fail like any other write, with EPIPE or EFBIG, not end the
// process without a word. These are the only signals that the calls the
// program makes raise instead of returning an error.
void PrepareProcess(const SystemCalls& calls);

class PosixOs final : public System {
 public:
  // `arguments` are the process's argv, the program's name first.
  PosixOs(std::vector<std::string> arguments, const SystemCalls& calls);

  Handle OpenFile(const char* path, std::uint32_t access, std::uint32_t share,
                  std::uint32_t disposition) override;
  bool Read(Handle handle, void* buffer, std::uint32_t count,
            std::uint32_t* transferred) override;
  bool Write(Handle handle, const void* buffer, std::uint32_t count,
             std::uint32_t* transferred) override;
  bool FileSize(Handle handle, std::int64_t* size) override;
  bool Seek(Handle handle, std::int64_t distance, SeekOrigin origin,
            std::int64_t* position) override;
  bool SetEndOfFile(Handle handle) override;
  bool Close(Handle handle) override;
  std::uint32_t LastError() override;
  Handle StandardHandle(StdHandle which) override;
  FileType DeviceType(Handle handle) override;
  bool IsConsole(Handle handle) override;
  bool WriteConsoleText(Handle handle, const char* text, std::uint32_t count) override;
  std::uint32_t WholeCharacters(const char* text, std::uint32_t count) override;
  PathKind IdentityOfHandle(Handle handle, FileIdentity* identity) override;
  PathKind IdentityOfPath(const char* path, FileIdentity* identity) override;
  std::uint32_t ModuleFileName(char* buffer, std::uint32_t size) override;
  std::uint32_t FileAttributes(const char* path) override;
  std::uintptr_t ModuleBase(const void* code) override;
  [[noreturn]] void Exit(std::uint32_t status) override;
  bool IsMadeUpFile(Handle handle, bool* madeUp) override;

  GivenArguments Arguments() override;
  bool CommandLineKeepsEveryCharacter() override;
  std::string ErrorWords(std::uint32_t code) override;
  void WriteErrorLine(const std::string& text) override;

 private:
  bool Fail(std::uint32_t win32Error, int cause);
  bool FailFromErrno();
  bool FailForPath(const char* path);
  int OpenNamed(int nameFd, const char* path, int flags);
  int OpenWithoutWaiting(const char* name, int flags);
  int OpenAs(const char* name, int flags, bool waits);

  std::vector<std::string> arguments_;
  SystemCalls calls_;
  std::uint32_t lastError_ = 0;
  // The errno lastError_ was made from: its words are the C library's.
  int lastErrno_ = 0;
};

// The descriptor a handle is.
inline int DescriptorOf(Handle handle) { return static_cast<int>(handle); }

}  // namespace platform
