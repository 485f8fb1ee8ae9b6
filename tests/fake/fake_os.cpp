// The fake's answers to the calls of the platform interface.
#include "fake/fake_os.h"

#include <algorithm>
#include <cstring>

namespace fake {
namespace {

constexpr platform::Handle kStdoutHandle = 1;
constexpr platform::Handle kStdinHandle = 0;
constexpr platform::Handle kStderrHandle = 2;
const char kStdoutPath[] = "<stdout>";
const char kStderrPath[] = "<stderr>";
// The fake disk is small: a run that feeds its output back into one of its
// inputs ends with a full disk instead of running for ever.
constexpr std::size_t kStoredFileLimit = std::size_t{16} << 20;

bool Reads(std::uint32_t access) { return (access & platform::kGenericRead) != 0; }
bool Writes(std::uint32_t access) { return (access & platform::kGenericWrite) != 0; }

}  // namespace

FakeOs::OpenHandle* FakeOs::Find(platform::Handle handle) {
  auto found = handles_.find(handle);
  return found == handles_.end() ? nullptr : &found->second;
}

bool FakeOs::SharingRefuses(const FakeFile& file, std::uint32_t access,
                            std::uint32_t share) const {
  for (const auto& entry : handles_) {
    const OpenHandle& held = entry.second;
    if (held.file.get() != &file) continue;
    const bool shares = (!Reads(access) || (held.share & platform::kShareRead) != 0) &&
                        (!Writes(access) || (held.share & platform::kShareWrite) != 0) &&
                        (!Reads(held.access) || (share & platform::kShareRead) != 0) &&
                        (!Writes(held.access) || (share & platform::kShareWrite) != 0);
    if (!shares) return true;
  }
  return false;
}

platform::Handle FakeOs::OpenFile(const char* path, std::uint32_t access, std::uint32_t share,
                                  std::uint32_t disposition) {
  openRequests.push_back({path, access, share, disposition});
  CallRecord record{Call::kOpenFile, path};
  if (Faulted(record)) return platform::kInvalidHandle;
  CallRecord& stored = calls.back();
  const std::string resolved = Resolve(path);
  if (IsFolder(resolved)) {
    Fail(stored, platform::error::kAccessDenied);
    return platform::kInvalidHandle;
  }
  std::shared_ptr<FakeFile> file = File(path);
  const bool creates = disposition == platform::kOpenAlways;
  // A file can be created only in a folder that exists.
  const std::uint32_t missing = file ? 0 : MissingError(resolved);
  if (missing != 0 && (!creates || missing != platform::error::kFileNotFound)) {
    Fail(stored, missing);
    return platform::kInvalidHandle;
  }
  if (file && file->type != platform::FileType::kDisk && !Writes(access)) {
    Fail(stored, platform::error::kNotSupported);
    return platform::kInvalidHandle;
  }
  if (file && file->readOnly && Writes(access)) {
    Fail(stored, platform::error::kAccessDenied);
    return platform::kInvalidHandle;
  }
  if (file && SharingRefuses(*file, access, share)) {
    Fail(stored, platform::error::kSharingViolation);
    return platform::kInvalidHandle;
  }
  if (!file) file = AddFile(resolved, std::vector<unsigned char>());
  const platform::Handle handle = nextHandle_++;
  handles_[handle] = OpenHandle{path, file, access, share, 0};
  return handle;
}

bool FakeOs::Read(platform::Handle handle, void* buffer, std::uint32_t count,
                  std::uint32_t* transferred) {
  OpenHandle* open = Find(handle);
  CallRecord record{Call::kRead, open ? open->path : std::string()};
  record.count = count;
  if (Faulted(record)) return false;
  CallRecord& stored = calls.back();
  if (open == nullptr || (open->access & platform::kGenericRead) == 0) {
    return !Fail(stored, platform::error::kInvalidHandle);
  }
  FakeFile& file = *open->file;
  const std::int64_t available = std::max<std::int64_t>(0, file.Size() - open->position);
  auto moved = static_cast<std::uint32_t>(std::min<std::int64_t>(count, available));
  for (const Shortening& shortening : shortenings_) {
    if (shortening.call == Call::kRead && shortening.n == callCounts_[Call::kRead]) {
      moved = std::min(moved, shortening.bytes);
    }
  }
  if (moved > 0) {
    if (file.generate) {
      file.generate(open->position, static_cast<unsigned char*>(buffer), moved);
    } else {
      std::memcpy(buffer, file.bytes.data() + open->position, moved);
    }
  }
  open->position += moved;
  stored.transferred = moved;
  *transferred = moved;
  return true;
}

bool FakeOs::Write(platform::Handle handle, const void* buffer, std::uint32_t count,
                   std::uint32_t* transferred) {
  OpenHandle* open = Find(handle);
  const bool toStdout = handle == kStdoutHandle && !stdoutMissing;
  CallRecord record{Call::kWrite, toStdout ? kStdoutPath : (open ? open->path : std::string())};
  record.count = count;
  if (Faulted(record)) return false;
  CallRecord& stored = calls.back();
  std::uint32_t moved = count;
  for (const Shortening& shortening : shortenings_) {
    if (shortening.call == Call::kWrite && shortening.n == callCounts_[Call::kWrite]) {
      moved = std::min(moved, shortening.bytes);
    }
  }
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  if (toStdout) {
    stdoutBytes.append(reinterpret_cast<const char*>(bytes), moved);
  } else if (open == nullptr || (open->access & platform::kGenericWrite) == 0) {
    return !Fail(stored, platform::error::kInvalidHandle);
  } else {
    FakeFile& file = *open->file;
    if (file.sink) {
      file.sink(open->position, bytes, moved);
      file.sinkSize = std::max(file.sinkSize, open->position + moved);
    } else {
      const auto end = static_cast<std::size_t>(open->position) + moved;
      if (end > kStoredFileLimit) return !Fail(stored, platform::error::kDiskFull);
      if (file.bytes.size() < end) file.bytes.resize(end);
      if (moved > 0) std::memcpy(file.bytes.data() + open->position, bytes, moved);
    }
    open->position += moved;
  }
  stored.transferred = moved;
  *transferred = moved;
  return true;
}

bool FakeOs::FileSize(platform::Handle handle, std::int64_t* size) {
  OpenHandle* open = Find(handle);
  CallRecord record{Call::kFileSize, open ? open->path : std::string()};
  if (Faulted(record)) return false;
  if (open == nullptr) return !Fail(calls.back(), platform::error::kInvalidHandle);
  *size = open->file->hidesSize ? 0 : open->file->Size();
  return true;
}

bool FakeOs::Seek(platform::Handle handle, std::int64_t distance, platform::SeekOrigin origin,
                  std::int64_t* position) {
  OpenHandle* open = Find(handle);
  CallRecord record{Call::kSeek, open ? open->path : std::string()};
  record.position = distance;
  if (Faulted(record)) return false;
  if (open == nullptr) return !Fail(calls.back(), platform::error::kInvalidHandle);
  const std::int64_t target =
      origin == platform::SeekOrigin::kBegin ? distance : open->position + distance;
  if (target < 0) return !Fail(calls.back(), platform::error::kNegativeSeek);
  open->position = target;
  if (position != nullptr) *position = target;
  return true;
}

bool FakeOs::SetEndOfFile(platform::Handle handle) {
  OpenHandle* open = Find(handle);
  CallRecord record{Call::kSetEndOfFile, open ? open->path : std::string()};
  if (Faulted(record)) return false;
  if (open == nullptr || !Writes(open->access)) {
    return !Fail(calls.back(), platform::error::kInvalidHandle);
  }
  FakeFile& file = *open->file;
  if (file.sink) {
    file.sinkSize = open->position;
    return true;
  }
  const auto end = static_cast<std::size_t>(open->position);
  if (end > kStoredFileLimit) return !Fail(calls.back(), platform::error::kDiskFull);
  file.bytes.resize(end);
  return true;
}

bool FakeOs::Close(platform::Handle handle) {
  OpenHandle* open = Find(handle);
  CallRecord record{Call::kClose, open ? open->path : std::string()};
  if (handle == kStdoutHandle) record.path = kStdoutPath;
  if (Faulted(record)) return false;
  if (handle == kStdoutHandle) return true;
  if (open == nullptr) return !Fail(calls.back(), platform::error::kInvalidHandle);
  handles_.erase(handle);
  return true;
}

std::uint32_t FakeOs::LastError() { return lastError_; }

platform::Handle FakeOs::StandardHandle(platform::StdHandle which) {
  CallRecord record{Call::kStandardHandle, which == platform::StdHandle::kOutput  ? kStdoutPath
                                           : which == platform::StdHandle::kError ? kStderrPath
                                                                                 : "<stdin>"};
  if (Faulted(record)) return platform::kInvalidHandle;
  if (which == platform::StdHandle::kInput) return kStdinHandle;
  if (which == platform::StdHandle::kError) return kStderrHandle;
  if (stdoutMissing) {
    Fail(calls.back(), platform::error::kInvalidHandle);
    return platform::kInvalidHandle;
  }
  return kStdoutHandle;
}

platform::FileType FakeOs::DeviceType(platform::Handle handle) {
  OpenHandle* open = Find(handle);
  CallRecord record{Call::kDeviceType,
                    handle == kStdoutHandle ? kStdoutPath : (open ? open->path : std::string())};
  if (Faulted(record)) return platform::FileType::kUnknown;
  if (handle == kStdoutHandle) return stdoutType;
  if (open == nullptr) {
    Fail(calls.back(), platform::error::kInvalidHandle);
    return platform::FileType::kUnknown;
  }
  return open->file->type;
}

bool FakeOs::IsConsole(platform::Handle handle) {
  return handle == kStdoutHandle && !stdoutMissing && stdoutConsole;
}

bool FakeOs::WriteConsoleText(platform::Handle handle, const char* text, std::uint32_t count) {
  CallRecord record{Call::kWriteConsole, handle == kStdoutHandle ? kStdoutPath : std::string()};
  record.count = count;
  if (Faulted(record)) return false;
  if (!IsConsole(handle)) return !Fail(calls.back(), platform::error::kInvalidHandle);
  stdoutBytes.append(text, count);
  calls.back().transferred = count;
  return true;
}

std::uint32_t FakeOs::WholeCharacters(const char* text, std::uint32_t count) {
  return platform::WholeCharacters(characters, text, count);
}

platform::PathKind FakeOs::IdentityOfHandle(platform::Handle handle,
                                            platform::FileIdentity* identity) {
  OpenHandle* open = Find(handle);
  CallRecord record{Call::kIdentityOfHandle,
                    handle == kStdoutHandle   ? kStdoutPath
                    : handle == kStderrHandle ? kStderrPath
                                              : (open ? open->path : std::string())};
  if (Faulted(record)) return platform::PathKind::kUnknown;
  std::shared_ptr<FakeFile> file = open ? open->file : nullptr;
  if (handle == kStderrHandle) {
    if (stderrFile.empty()) return platform::PathKind::kOther;
    file = File(stderrFile);
    // Redirected to a file the world does not hold: one of its own.
    if (!file) {
      *identity = platform::FileIdentity{4, 0};
      return platform::PathKind::kDiskFile;
    }
  } else if (handle == kStdoutHandle) {
    if (stdoutType != platform::FileType::kDisk) return platform::PathKind::kOther;
    file = File(stdoutFile);
    // Redirected to a file the world does not hold: one of its own.
    if (!file) {
      *identity = platform::FileIdentity{3, 0};
      return platform::PathKind::kDiskFile;
    }
  } else if (open == nullptr) {
    Fail(calls.back(), platform::error::kInvalidHandle);
    return platform::PathKind::kUnknown;
  }
  if (file->type != platform::FileType::kDisk) return platform::PathKind::kOther;
  *identity = platform::FileIdentity{1, file->index};
  return platform::PathKind::kDiskFile;
}

platform::PathKind FakeOs::IdentityOfPath(const char* path, platform::FileIdentity* identity) {
  CallRecord record{Call::kIdentityOfPath, path};
  if (Faulted(record)) return platform::PathKind::kUnknown;
  std::shared_ptr<FakeFile> file = File(path);
  if (file) {
    if (file->type != platform::FileType::kDisk) return platform::PathKind::kOther;
    *identity = platform::FileIdentity{1, file->index};
    return platform::PathKind::kDiskFile;
  }
  if (IsFolder(Resolve(path))) return platform::PathKind::kOther;
  Fail(calls.back(), MissingError(Resolve(path)));
  return platform::PathKind::kUnknown;
}

std::uint32_t FakeOs::ModuleFileName(char* buffer, std::uint32_t size) {
  CallRecord record{Call::kModuleFileName, modulePath};
  if (Faulted(record) || size == 0) return 0;
  // As Windows: a path that does not fit is cut to size - 1 bytes and a
  // terminator, and the call answers with the full size.
  const auto length = static_cast<std::uint32_t>(modulePath.size());
  const std::uint32_t kept = std::min(length, size - 1);
  std::memcpy(buffer, modulePath.data(), kept);
  buffer[kept] = '\0';
  return length < size ? kept : size;
}

std::uint32_t FakeOs::FileAttributes(const char* path) {
  CallRecord record{Call::kFileAttributes, path};
  if (Faulted(record)) return platform::kInvalidFileAttributes;
  auto answer = attributeAnswers.find(path);
  if (answer != attributeAnswers.end()) return answer->second;
  if (IsFolder(Resolve(path))) return platform::kDirectoryAttribute;
  std::shared_ptr<FakeFile> file = File(path);
  if (!file) {
    Fail(calls.back(), MissingError(Resolve(path)));
    return platform::kInvalidFileAttributes;
  }
  if (file->type != platform::FileType::kDisk) return platform::kDeviceAttribute;
  return file->readOnly ? 0x21u : platform::kNormalAttribute;
}

std::uintptr_t FakeOs::ModuleBase(const void* code) {
  moduleBaseAskedFor = reinterpret_cast<std::uintptr_t>(code);
  return moduleBase;
}

platform::GivenArguments FakeOs::Arguments() {
  return platform::GivenArguments{commandLine.c_str(), nullptr};
}

bool FakeOs::CommandLineKeepsEveryCharacter() { return commandLineExact; }

std::string FakeOs::ErrorWords(std::uint32_t code) { return "words for " + std::to_string(code); }

void FakeOs::WriteErrorLine(const std::string& text) { stderrBytes += text + "\r\n"; }

void FakeOs::Exit(std::uint32_t status) { throw ProcessExit{status}; }

bool FakeOs::IsMadeUpFile(platform::Handle handle, bool* madeUp) {
  OpenHandle* open = Find(handle);
  CallRecord record{Call::kIsMadeUpFile, open ? open->path : std::string()};
  if (Faulted(record)) return false;
  if (open == nullptr) return !Fail(calls.back(), platform::error::kInvalidHandle);
  *madeUp = open->file->madeUp;
  return true;
}

}  // namespace fake
