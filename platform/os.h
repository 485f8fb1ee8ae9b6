// The Win32 calls the program makes on files, handles and its own process.
//
// Each method is a contract, which the Win32 build, the POSIX build and the
// unit tests' in-memory fake all keep, so that the layers above behave the
// same on every platform. Most stand for the one Win32 call their comment
// names, with that call's meaning and error numbers; where a method takes
// more than that call, or POSIX keeps it otherwise, its comment says what it
// promises. A failing method answers as its comment says and leaves its
// Win32 error number for LastError. What the program needs of its system
// beyond these calls is in services.h.
#pragma once

#include <cstdint>

namespace platform {

// A HANDLE on Windows, a file descriptor on POSIX.
using Handle = std::intptr_t;
inline constexpr Handle kInvalidHandle = -1;

// Access rights, sharing flags and dispositions carry their Win32 values.
inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kShareRead = 1;
inline constexpr std::uint32_t kShareWrite = 2;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kOpenAlways = 4;

inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
inline constexpr std::uint32_t kDirectoryAttribute = 0x10;
inline constexpr std::uint32_t kDeviceAttribute = 0x40;
inline constexpr std::uint32_t kNormalAttribute = 0x80;

enum class StdHandle { kInput, kOutput, kError };
enum class FileType : std::uint32_t { kUnknown = 0, kDisk = 1, kChar = 2, kPipe = 3 };
enum class SeekOrigin { kBegin, kCurrent };

// What a path names, as far as telling it apart from the files a program
// holds open needs.
enum class PathKind {
  kUnknown,   // the query failed; LastError tells why
  kDiskFile,  // a file on a volume, which has an identity
  kPipe,      // a FIFO, pipe or socket that has an identity (POSIX only)
  kOther,     // a device, console or anything else that is no disk file
};

// What tells two names of one file apart from two files: volume serial number
// and file index on Windows, device and inode on POSIX. A Windows file id is
// 128 bits wide on some file systems: indexHigh holds its upper half, 0 where
// the index has 64 bits. A volume or an index of 0 is unknown: a volume may
// have no serial number, and some network file systems answer 0 for every
// file's index.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  std::uint64_t indexHigh = 0;
  bool operator==(const FileIdentity& other) const {
    return volume == other.volume && index == other.index && indexHigh == other.indexHigh;
  }
};

enum class Sameness { kSame, kDifferent, kUnknown };

// Two files differ where both know a part and it differs: one file has one
// index on its one volume. They are one file only where every part is known
// and equal; else nothing tells.
inline Sameness Compare(const FileIdentity& one, const FileIdentity& other) {
  const bool volumesKnown = one.volume != 0 && other.volume != 0;
  const bool indexesKnown =
      (one.index | one.indexHigh) != 0 && (other.index | other.indexHigh) != 0;
  if (volumesKnown && one.volume != other.volume) return Sameness::kDifferent;
  if (indexesKnown && (one.index != other.index || one.indexHigh != other.indexHigh)) {
    return Sameness::kDifferent;
  }
  return volumesKnown && indexesKnown ? Sameness::kSame : Sameness::kUnknown;
}

// The Win32 error numbers that the program produces itself or that its users
// meet most often.
namespace error {
inline constexpr std::uint32_t kFileNotFound = 2;
inline constexpr std::uint32_t kPathNotFound = 3;
inline constexpr std::uint32_t kTooManyOpenFiles = 4;
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kInvalidHandle = 6;
inline constexpr std::uint32_t kGeneralFailure = 31;
inline constexpr std::uint32_t kSharingViolation = 32;
inline constexpr std::uint32_t kNotSupported = 50;
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kDiskFull = 112;
inline constexpr std::uint32_t kInsufficientBuffer = 122;
inline constexpr std::uint32_t kNegativeSeek = 131;
inline constexpr std::uint32_t kFileNameTooLong = 206;
inline constexpr std::uint32_t kFileTooLarge = 223;
inline constexpr std::uint32_t kNoData = 232;  // a write to a pipe whose reader has gone
}  // namespace error

class Os {
 public:
  virtual ~Os() = default;

  // CreateFileA with no security attributes, FILE_ATTRIBUTE_NORMAL and no
  // template; kInvalidHandle on failure. An ordinary file waits, as Windows
  // does, for another process to give it up, and a FIFO opened for writing
  // waits for its reader; a device never waits. POSIX opens to read alone
  // nothing but a regular file or a folder: anything else fails with 50
  // (not supported) before it is opened, whatever the name led to when it
  // was asked about before, since opening a device can rewind a tape or
  // start a watchdog. Opened to write, an existing file keeps its bytes.
  virtual Handle OpenFile(const char* path, std::uint32_t access, std::uint32_t share,
                          std::uint32_t disposition) = 0;
  // ReadFile and WriteFile, synchronous: the whole count moves unless the end
  // of the file is reached or an error occurs.
  virtual bool Read(Handle handle, void* buffer, std::uint32_t count,
                    std::uint32_t* transferred) = 0;
  virtual bool Write(Handle handle, const void* buffer, std::uint32_t count,
                     std::uint32_t* transferred) = 0;
  // GetFileSizeEx.
  virtual bool FileSize(Handle handle, std::int64_t* size) = 0;
  // SetFilePointerEx; position may be null.
  virtual bool Seek(Handle handle, std::int64_t distance, SeekOrigin origin,
                    std::int64_t* position) = 0;
  // SetEndOfFile: the file ends at the handle's position. POSIX asks the
  // position (lseek) and cuts there (ftruncate).
  virtual bool SetEndOfFile(Handle handle) = 0;
  // CloseHandle.
  virtual bool Close(Handle handle) = 0;
  // GetLastError: the code of the last failed call.
  virtual std::uint32_t LastError() = 0;
  // GetStdHandle; POSIX answers descriptor 0, 1 or 2 where it is open.
  virtual Handle StandardHandle(StdHandle which) = 0;
  // GetFileType.
  virtual FileType DeviceType(Handle handle) = 0;
  // GetConsoleMode succeeds: the handle is a console, which shows bytes in
  // its own code page rather than the program's. Never on POSIX.
  virtual bool IsConsole(Handle handle) = 0;
  // Writes text to a console: converted from the program's code page to
  // UTF-16 and given to WriteConsoleW until the console took every
  // character; a character that does not convert (MultiByteToWideChar with
  // MB_ERR_INVALID_CHARS) goes as its bytes by WriteFile, which the console
  // shows in its own code page. On POSIX, where no handle is a console, the
  // bytes as they are, as Write writes them.
  virtual bool WriteConsoleText(Handle handle, const char* text, std::uint32_t count) = 0;
  // The length of the text without a character of the program's code page
  // that its end cuts (IsDBCSLeadByteEx for a double-byte code page), the
  // text beginning with a whole one; the whole count on POSIX, where a
  // terminal takes the bytes as they come.
  virtual std::uint32_t WholeCharacters(const char* text, std::uint32_t count) = 0;
  // GetModuleFileNameA for the executable itself: the number of bytes
  // written, `size` when the path was cut to fit, 0 on failure.
  virtual std::uint32_t ModuleFileName(char* buffer, std::uint32_t size) = 0;
  // What a name leads to, as GetFileAttributesA answers: kDirectoryAttribute
  // for a folder, kDeviceAttribute for anything that is no disk file,
  // kInvalidFileAttributes when the query fails. Windows answers
  // kDeviceAttribute without the call for a name that IdentityOfPath's rule
  // shows to be a device, pipe or mailslot, since the call would reach the
  // device itself; POSIX asks stat, which opens nothing, and answers
  // kDeviceAttribute for anything neither a folder nor a regular file.
  virtual std::uint32_t FileAttributes(const char* path) = 0;
  // The base address of the loaded module holding an address of its code or
  // data, 0 when it cannot be told: VirtualQuery's allocation base; on POSIX
  // the start of the lowest segment of the loaded object that holds it.
  virtual std::uintptr_t ModuleBase(const void* code) = 0;
  // ExitProcess. POSIX exits with the status a shell can tell, which
  // exit_status.h makes of a code too wide for it.
  [[noreturn]] virtual void Exit(std::uint32_t status) = 0;
  // Whether the file an open handle holds is one the system makes up as it
  // is read (the files of /proc, /sys and their kind on Linux): its size
  // says nothing of what it holds. POSIX asks fstatfs for the file system;
  // Windows has no such files, and the answer is no without a call. False
  // with the error when the question fails.
  virtual bool IsMadeUpFile(Handle /*handle*/, bool* madeUp) {
    *madeUp = false;
    return true;
  }

  // The two identity questions: whether two names, or a name and an open
  // handle, lead to one file.

  // What an open handle holds, and for a disk file (or, on POSIX, a pipe)
  // its identity: GetFileType, then GetFileInformationByHandleEx(FileIdInfo)
  // where the file system answers it with a whole identity,
  // GetFileInformationByHandle otherwise, whose parts of 0 stay unknown;
  // fstat on POSIX.
  virtual PathKind IdentityOfHandle(Handle handle, FileIdentity* identity) = 0;
  // What a path names, following links, and for a disk file its identity.
  // Where GetFullPathNameA shows that the name is no path on a volume (a
  // device, a pipe or a mailslot), nothing is opened: opening a named pipe to
  // ask would take its server's one connection, and opening a serial port
  // can reset the device. Any other name is opened with no access and asked
  // as IdentityOfHandle asks. POSIX asks stat, which opens nothing.
  virtual PathKind IdentityOfPath(const char* path, FileIdentity* identity) = 0;
};

// The operating system every layer above calls; system.h puts it in place.
Os& CurrentOs();

}  // namespace platform
