// What reached the fake, and the faults it is told to make.
#include "fake/fake_os.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace fake {

const char* CallName(Call call) {
  switch (call) {
    case Call::kOpenFile: return "OpenFile";
    case Call::kRead: return "Read";
    case Call::kWrite: return "Write";
    case Call::kWriteConsole: return "WriteConsole";
    case Call::kFileSize: return "FileSize";
    case Call::kSeek: return "Seek";
    case Call::kSetEndOfFile: return "SetEndOfFile";
    case Call::kClose: return "Close";
    case Call::kStandardHandle: return "StandardHandle";
    case Call::kDeviceType: return "DeviceType";
    case Call::kIdentityOfHandle: return "IdentityOfHandle";
    case Call::kIdentityOfPath: return "IdentityOfPath";
    case Call::kModuleFileName: return "ModuleFileName";
    case Call::kFileAttributes: return "FileAttributes";
    case Call::kIsMadeUpFile: return "IsMadeUpFile";
  }
  return "?";
}

void FakeOs::FailNth(Call call, int n, std::uint32_t error) {
  nthFaults_.push_back({call, n, error});
}

void FakeOs::FailOverall(int n, std::function<std::uint32_t(Call)> errorFor) {
  overallFault_ = n;
  overallLasts_ = false;
  overallErrorFor_ = std::move(errorFor);
}

void FakeOs::FailFrom(int n, std::function<std::uint32_t(Call)> errorFor) {
  FailOverall(n, std::move(errorFor));
  overallLasts_ = true;
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
  const auto callNumber = static_cast<int>(calls.size());
  if (overallFault_ != 0 &&
      (overallFault_ == callNumber || (overallLasts_ && callNumber > overallFault_))) {
    return Fail(stored, overallErrorFor_(record.call));
  }
  auto pathFault = pathFaults_.find(record.path);
  if (pathFault != pathFaults_.end()) return Fail(stored, pathFault->second);
  return false;
}


}  // namespace fake
