#include "fake/fake_os.h"

#include <algorithm>
#include <cstring>

namespace fake {
namespace {

constexpr platform::Handle kStdoutHandle = 1;
constexpr platform::Handle kStdinHandle = 0;
const char kStdoutPath[] = "<stdout>";
// The fake disk is small: a run that feeds its output back into one of its
// inputs ends with a full disk instead of running for ever.
constexpr std::size_t kStoredFileLimit = std::size_t{16} << 20;

}  // namespace

const char* CallName(Call call) {
  switch (call) {
    case Call::kOpenFile: return "OpenFile";
    case Call::kRead: return "Read";
    case Call::kWrite: return "Write";
    case Call::kWriteConsole: return "WriteConsole";
    case Call::kFileSize: return "FileSize";
    case Call::kSeek: return "Seek";
    case Call::kClose: return "Close";
    case Call::kStandardHandle: return "StandardHandle";
    case Call::kDeviceType: return "DeviceType";
    case Call::kIdentityOfHandle: return "IdentityOfHandle";
    case Call::kIdentityOfPath: return "IdentityOfPath";
    case Call::kModuleFileName: return "ModuleFileName";
    case Call::kFileAttributes: return "FileAttributes";
  }
  return "?";
}

std::int64_t FakeFile::Size() const {
  if (generatedSize >= 0) return generatedSize;
  if (sink) return sinkSize;
  return static_cast<std::int64_t>(bytes.size());
}

std::shared_ptr<FakeFile> FakeOs::AddFile(const std::string& path,
                                          std::vector<unsigned char> bytes) {
  auto file = std::make_shared<FakeFile>();
  file->bytes = std::move(bytes);
  file->index = nextIndex_++;
  files_[path] = file;
  return file;
}

std::shared_ptr<FakeFile> FakeOs::AddFile(const std::string& path, const std::string& bytes) {
  return AddFile(path, std::vector<unsigned char>(bytes.begin(), bytes.end()));
}

void FakeOs::AddLink(const std::string& path, const std::string& target) {
  links_[path] = target;
}

void FakeOs::AddFolder(const std::string& path) { folders_.insert(path); }

std::string FakeOs::Resolve(const std::string& path) const {
  std::string resolved = path;
  for (int depth = 0; depth < 40; ++depth) {
    auto link = links_.find(resolved);
    if (link == links_.end()) break;
    resolved = link->second;
  }
  return resolved;
}

std::shared_ptr<FakeFile> FakeOs::File(const std::string& path) const {
  auto found = files_.find(Resolve(path));
  return found == files_.end() ? nullptr : found->second;
}

bool FakeOs::Exists(const std::string& path) const { return File(path) != nullptr; }

std::string FakeOs::Contents(const std::string& path) const {
  auto file = File(path);
  return file ? std::string(file->bytes.begin(), file->bytes.end()) : std::string();
}

void FakeOs::FailNth(Call call, int n, std::uint32_t error) {
  nthFaults_.push_back({call, n, error});
}

void FakeOs::FailOverall(int n, std::function<std::uint32_t(Call)> errorFor) {
  overallFault_ = n;
  overallErrorFor_ = std::move(errorFor);
}

void FakeOs::FailOnPath(const std::string& path, std::uint32_t error) {
  pathFaults_[path] = error;
}

void FakeOs::ShortenNth(Call call, int n, std::uint32_t bytes) {
  shortenings_.push_back({call, n, bytes});
}

std::vector<CallRecord> FakeOs::CallsOf(Call call) const {
  std::vector<CallRecord> found;
  for (const CallRecord& record : calls) {
    if (record.call == call) found.push_back(record);
  }
  return found;
}

int FakeOs::CountOf(Call call) const {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                        [call](const CallRecord& r) { return r.call == call; }));
}

std::vector<std::string> FakeOs::OpenPaths() const {
  std::vector<std::string> paths;
  for (const auto& entry : handles_) paths.push_back(entry.second.path);
  return paths;
}

bool FakeOs::Fail(CallRecord& record, std::uint32_t error) {
  record.ok = false;
  lastError_ = lastErrorLost ? 0 : error;
  return true;
}

bool FakeOs::Faulted(CallRecord& record) {
  if (callLimit != 0 && calls.size() >= callLimit) throw RunawayProgram{};
  calls.push_back(record);
  CallRecord& stored = calls.back();
  const int nthOfKind = ++callCounts_[record.call];
  for (const NthFault& fault : nthFaults_) {
    if (fault.call == record.call && fault.n == nthOfKind) return Fail(stored, fault.error);
  }
  if (overallFault_ == static_cast<int>(calls.size())) {
    return Fail(stored, overallErrorFor_(record.call));
  }
  auto pathFault = pathFaults_.find(record.path);
  if (pathFault != pathFaults_.end()) return Fail(stored, pathFault->second);
  return false;
}

FakeOs::OpenHandle* FakeOs::Find(platform::Handle handle) {
  auto found = handles_.find(handle);
  return found == handles_.end() ? nullptr : &found->second;
}

platform::Handle FakeOs::OpenFile(const char* path, std::uint32_t access, std::uint32_t share,
                                  std::uint32_t disposition) {
  openRequests.push_back({path, access, share, disposition});
  CallRecord record{Call::kOpenFile, path};
  if (Faulted(record)) return platform::kInvalidHandle;
  CallRecord& stored = calls.back();
  const std::string resolved = Resolve(path);
  if (folders_.count(resolved) != 0) {
    Fail(stored, platform::error::kAccessDenied);
    return platform::kInvalidHandle;
  }
  std::shared_ptr<FakeFile> file = File(path);
  const bool writes = (access & platform::kGenericWrite) != 0;
  if (file && file->readOnly && writes) {
    Fail(stored, platform::error::kAccessDenied);
    return platform::kInvalidHandle;
  }
  if (disposition == platform::kCreateAlways) {
    if (!file) {
      file = AddFile(resolved, std::vector<unsigned char>());
    } else {
      file->bytes.clear();
      file->sinkSize = 0;
    }
  } else if (!file) {
    Fail(stored, platform::error::kFileNotFound);
    return platform::kInvalidHandle;
  }
  const platform::Handle handle = nextHandle_++;
  handles_[handle] = OpenHandle{path, file, access, 0};
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
  *size = open->file->Size();
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
  CallRecord record{Call::kStandardHandle,
                    which == platform::StdHandle::kOutput ? kStdoutPath : "<stdin>"};
  if (Faulted(record)) return platform::kInvalidHandle;
  if (which == platform::StdHandle::kInput) return kStdinHandle;
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

platform::PathKind FakeOs::IdentityOfHandle(platform::Handle handle,
                                            platform::FileIdentity* identity) {
  OpenHandle* open = Find(handle);
  CallRecord record{Call::kIdentityOfHandle,
                    handle == kStdoutHandle ? kStdoutPath : (open ? open->path : std::string())};
  if (Faulted(record)) return platform::PathKind::kUnknown;
  std::shared_ptr<FakeFile> file = open ? open->file : nullptr;
  if (handle == kStdoutHandle) {
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
  if (folders_.count(Resolve(path)) != 0) {
    *identity = platform::FileIdentity{2, std::hash<std::string>()(Resolve(path))};
    return platform::PathKind::kDiskFile;
  }
  Fail(calls.back(), platform::error::kFileNotFound);
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
  if (folders_.count(Resolve(path)) != 0) return platform::kDirectoryAttribute;
  std::shared_ptr<FakeFile> file = File(path);
  if (!file) {
    Fail(calls.back(), platform::error::kFileNotFound);
    return platform::kInvalidFileAttributes;
  }
  return file->readOnly ? 0x21u : platform::kNormalAttribute;
}

std::uintptr_t FakeOs::ModuleBase(const void* /*code*/) { return 0; }

platform::GivenArguments FakeOs::Arguments() {
  return platform::GivenArguments{commandLine.c_str(), nullptr};
}

bool FakeOs::CommandLineKeepsEveryCharacter() { return commandLineExact; }

std::string FakeOs::ErrorWords(std::uint32_t code) { return "words for " + std::to_string(code); }

void FakeOs::WriteErrorLine(const std::string& text) { stderrBytes += text + "\r\n"; }

void FakeOs::Exit(std::uint32_t status) { throw ProcessExit{status}; }

}  // namespace fake
