// An in-memory operating system for the unit tests: files, folders, a
// standard output of any device type and a command line, with every call
// recorded and any chosen call made to fail or to move fewer bytes.
//
// It answers as both real layers do where they agree, which a table of
// cases run on the fake and on the POSIX layer alike holds it to: a name
// in a folder that does not exist (or is a file) fails with 3, in an
// existing folder with 2; `./a.mve` and `a.mve` are one file; a folder has
// the directory attribute, cannot be opened to write, and is no disk file.
// Names follow Windows: `\` and `/` both separate, and a drive letter with
// its colon leads. Where the two systems differ, it answers as Windows:
// - sharing is honoured: an open that asks for access another handle of the
//   file does not share, or that does not share what another handle holds,
//   fails with 32; POSIX has no sharing and opens the file;
// - a folder cannot be opened at all (5); POSIX opens one to read, and the
//   handle is of no known type;
// but as POSIX in these:
// - a folder's identity query answers kOther; Windows answers a disk file
//   with an identity that no open file shares, so the program cannot tell;
// - a read-only open of anything but a disk file fails with 50 before it is
//   opened; Windows opens it, and the program refuses it afterwards;
// - case matters in names.
// And as neither: `..` is a name like any other, not the folder above.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/character_rule.h"
#include "platform/system.h"

namespace fake {

enum class Call {
  kOpenFile,
  kRead,
  kWrite,
  kWriteConsole,
  kFileSize,
  kSeek,
  kSetEndOfFile,
  kClose,
  kStandardHandle,
  kDeviceType,
  kIdentityOfHandle,
  kIdentityOfPath,
  kModuleFileName,
  kFileAttributes,
  kIsMadeUpFile,
};

const char* CallName(Call call);

struct CallRecord {
  Call call;
  std::string path;  // the file's path, "<stdout>" or "<stderr>" for a standard handle
  std::uint32_t count = 0;  // bytes asked for by a read or write
  std::uint32_t transferred = 0;
  std::int64_t position = 0;  // a seek's distance
  bool ok = true;
};

// Thrown by Exit, so that a test sees the end of the program as a value.
struct ProcessExit {
  std::uint32_t status;
};

// Thrown by the call after `callLimit`: the program would have run for ever.
struct RunawayProgram {};

struct FakeFile {
  platform::FileType type = platform::FileType::kDisk;
  bool readOnly = false;
  // At most 16 MiB: a write beyond fails with disk full (112).
  std::vector<unsigned char> bytes;
  // A file too large to hold: its size, and the content at any offset.
  std::int64_t generatedSize = -1;
  std::function<void(std::int64_t offset, unsigned char* into, std::uint32_t count)> generate;
  // When set, writes are handed here instead of being stored; only the size
  // grows.
  std::function<void(std::int64_t offset, const unsigned char* from, std::uint32_t count)> sink;
  std::int64_t sinkSize = 0;
  std::uint64_t index = 0;  // the file's identity
  // Reports a size of 0 whatever it holds, as files of some FUSE file
  // systems do.
  bool hidesSize = false;
  // Made up by the system as it is read, as files of /proc and /sys are.
  bool madeUp = false;

  std::int64_t Size() const;
};

class FakeOs final : public platform::System {
 public:
  // The world. A file's folders are made with it.
  std::shared_ptr<FakeFile> AddFile(const std::string& path, std::vector<unsigned char> bytes);
  std::shared_ptr<FakeFile> AddFile(const std::string& path, const std::string& bytes);
  // Another name for the same file, as a hard or symbolic link gives.
  void AddLink(const std::string& path, const std::string& target);
  // The folder and those that hold it.
  void AddFolder(const std::string& path);
  std::shared_ptr<FakeFile> File(const std::string& path) const;
  bool Exists(const std::string& path) const;
  std::string Contents(const std::string& path) const;
  // The command line as Windows would give it; argument 0 comes from the
  // module path.
  std::string commandLine;
  // What CommandLineKeepsEveryCharacter answers: false stands for a name the
  // ANSI code page could not hold.
  bool commandLineExact = true;
  std::string modulePath = "C:\\Vimbrel\\vimbrel.exe";
  // Where the program is loaded, whatever the address asked about: where a
  // 32-bit Windows program is, by default. 0 stands for a base that cannot
  // be told.
  std::uintptr_t moduleBase = 0x400000;
  // The address ModuleBase was last asked about.
  std::uintptr_t moduleBaseAskedFor = 0;
  // What the attribute query answers for a path, whatever the world holds.
  std::map<std::string, std::uint32_t> attributeAnswers;
  // Standard output: its device type, or missing; a character device may be
  // a console (a character device that is none is NUL's kind). The text a
  // console gets is kept as it was given, unconverted.
  platform::FileType stdoutType = platform::FileType::kChar;
  // The file of the world that redirected standard output goes to, for its
  // identity alone: what is printed still lands in stdoutBytes.
  std::string stdoutFile;
  bool stdoutConsole = false;
  // How the program's code page cuts text into characters: UTF-8, as the
  // program's manifest asks, unless a test says otherwise.
  platform::CharacterRule characters{true, {}};
  bool stdoutMissing = false;
  std::string stdoutBytes;
  // Standard error: each line ends with CR LF, as on Windows.
  std::string stderrBytes;
  // The file of the world that standard error is redirected to, for its
  // identity alone; empty, standard error is a console.
  std::string stderrFile;

  // Faults. Call numbers count from 1.
  void FailNth(Call call, int n, std::uint32_t error);
  // The n-th call of any kind fails, with the code the function gives for its kind.
  void FailOverall(int n, std::function<std::uint32_t(Call)> errorFor);
  // The same, and every call after it: a failure that lasts.
  void FailFrom(int n, std::function<std::uint32_t(Call)> errorFor);
  // Every call on the named file, or on a handle opened from it, fails.
  void FailOnPath(const std::string& path, std::uint32_t error);
  // The n-th read or write moves only `bytes` bytes.
  void ShortenNth(Call call, int n, std::uint32_t bytes);
  // A failed call leaves no error code.
  bool lastErrorLost = false;
  // More calls than this end the run with RunawayProgram; 0 sets no limit.
  std::size_t callLimit = 0;

  // What reached the operating system.
  std::vector<CallRecord> calls;
  std::vector<CallRecord> CallsOf(Call call) const;
  int CountOf(Call call) const;
  // Handles opened and not closed, by path.
  std::vector<std::string> OpenPaths() const;

  platform::Handle OpenFile(const char* path, std::uint32_t access, std::uint32_t share,
                            std::uint32_t disposition) override;
  bool Read(platform::Handle handle, void* buffer, std::uint32_t count,
            std::uint32_t* transferred) override;
  bool Write(platform::Handle handle, const void* buffer, std::uint32_t count,
             std::uint32_t* transferred) override;
  bool FileSize(platform::Handle handle, std::int64_t* size) override;
  bool Seek(platform::Handle handle, std::int64_t distance, platform::SeekOrigin origin,
            std::int64_t* position) override;
  bool SetEndOfFile(platform::Handle handle) override;
  bool Close(platform::Handle handle) override;
  std::uint32_t LastError() override;
  platform::Handle StandardHandle(platform::StdHandle which) override;
  platform::FileType DeviceType(platform::Handle handle) override;
  // Not recorded: failing, it would only answer that there is no console.
  bool IsConsole(platform::Handle handle) override;
  bool WriteConsoleText(platform::Handle handle, const char* text, std::uint32_t count) override;
  // Not recorded: it cannot fail.
  std::uint32_t WholeCharacters(const char* text, std::uint32_t count) override;
  platform::PathKind IdentityOfHandle(platform::Handle handle,
                                      platform::FileIdentity* identity) override;
  platform::PathKind IdentityOfPath(const char* path, platform::FileIdentity* identity) override;
  std::uint32_t ModuleFileName(char* buffer, std::uint32_t size) override;
  std::uint32_t FileAttributes(const char* path) override;
  std::uintptr_t ModuleBase(const void* code) override;
  [[noreturn]] void Exit(std::uint32_t status) override;
  bool IsMadeUpFile(platform::Handle handle, bool* madeUp) override;

  // The command line, as Windows gives it.
  platform::GivenArguments Arguments() override;
  bool CommandLineKeepsEveryCharacter() override;
  // "words for N": a test sees whose words a line holds.
  std::string ErrorWords(std::uint32_t code) override;
  void WriteErrorLine(const std::string& text) override;

  // Every open's access, sharing and disposition, in order.
  struct OpenRequest {
    std::string path;
    std::uint32_t access;
    std::uint32_t share;
    std::uint32_t disposition;
  };
  std::vector<OpenRequest> openRequests;

 private:
  struct OpenHandle {
    std::string path;
    std::shared_ptr<FakeFile> file;  // null for standard output
    std::uint32_t access = 0;
    std::uint32_t share = 0;
    std::int64_t position = 0;
  };

  // Records the call and answers whether a fault makes it fail; the error
  // code is then set.
  bool Faulted(CallRecord& record);
  bool Fail(CallRecord& record, std::uint32_t error);
  OpenHandle* Find(platform::Handle handle);
  // The name the world keys a path by, links followed.
  std::string Resolve(const std::string& path) const;
  bool IsFolder(const std::string& name) const;
  // The code for a name that holds nothing: 3 when its folder is missing.
  std::uint32_t MissingError(const std::string& name) const;
  // Whether Windows' sharing rules refuse this open of `file`.
  bool SharingRefuses(const FakeFile& file, std::uint32_t access, std::uint32_t share) const;

  std::map<std::string, std::shared_ptr<FakeFile>> files_;
  std::map<std::string, std::string> links_;
  std::set<std::string> folders_;
  std::map<platform::Handle, OpenHandle> handles_;
  platform::Handle nextHandle_ = 100;
  std::uint64_t nextIndex_ = 1;
  std::uint32_t lastError_ = 0;

  struct NthFault {
    Call call;
    int n;
    std::uint32_t error;
  };
  std::vector<NthFault> nthFaults_;
  int overallFault_ = 0;
  bool overallLasts_ = false;
  std::function<std::uint32_t(Call)> overallErrorFor_;
  std::map<std::string, std::uint32_t> pathFaults_;
  struct Shortening {
    Call call;
    int n;
    std::uint32_t bytes;
  };
  std::vector<Shortening> shortenings_;
  // Calls so far by kind: the n-th call of a kind is found without a scan,
  // which runs of many thousand chunks need.
  std::map<Call, int> callCounts_;
};

}  // namespace fake
