#include "runtime/io_result.h"

#include "platform/os.h"
#include "platform/services.h"

namespace runtime {

std::uint32_t PendingIoResult = 0;
std::string PendingFailure;

namespace {

const char* Doing(Activity activity) {
  switch (activity) {
    case Activity::kOpen: return "cannot open ";
    case Activity::kCreate: return "cannot create ";
    case Activity::kRead: return "cannot read ";
    case Activity::kWrite: return "cannot write to ";
    case Activity::kSeek: return "cannot seek in ";
    case Activity::kSize: return "cannot get the size of ";
    case Activity::kClose: return "cannot close ";
    case Activity::kFind: return "cannot find ";
    case Activity::kExamine: break;
  }
  return "cannot examine ";
}

std::string Text(std::uint32_t code, Activity activity, const std::string& where,
                 const std::string& words) {
  return Doing(activity) + where + ": " + words + " (error " + std::to_string(code) + ")";
}

}  // namespace

std::string Quoted(const char* path) { return std::string("`") + path + "'"; }

const char* RuntimeWords(std::uint32_t code) {
  switch (code) {
    case kShortRead: return "it held fewer bytes than its size promised";
    case kShortWrite: return "it took fewer bytes than it was given";
    case kNeverBound: return "it was never given a name";
    case kNotOpen: return "it is not open";
  }
  return "it is missing or unusable";  // kNotOpenForOutput
}

void SetPendingResult(std::uint32_t code, Activity activity, const std::string& where,
                      const std::string& words) {
  PendingIoResult = code;
  PendingFailure = Text(code, activity, where, words);
}

void SetPendingOsResult(std::uint32_t code, Activity activity, const char* path) {
  PendingIoResult = code;
  PendingFailure = OsFailureText(code, activity, path);
}

std::string OsFailureText(std::uint32_t code, Activity activity, const char* path) {
  return FailureText(code, activity, path, platform::CurrentServices().ErrorWords(code));
}

std::string FailureText(std::uint32_t code, Activity activity, const char* path,
                        const std::string& words) {
  return Text(code, activity, Quoted(path), words);
}

std::uint32_t LastOsError() {
  const std::uint32_t code = platform::CurrentOs().LastError();
  return code != 0 ? code : platform::error::kGeneralFailure;
}

}  // namespace runtime
