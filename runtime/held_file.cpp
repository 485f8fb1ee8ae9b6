#include "runtime/held_file.h"

namespace runtime {

const std::string* PathHeldBy(platform::Handle handle, const std::vector<std::string>& paths) {
  platform::Os& os = platform::CurrentOs();
  platform::FileIdentity held;
  const platform::PathKind kind = os.IdentityOfHandle(handle, &held);
  // A console or device holds no file's bytes.
  if (kind != platform::PathKind::kDiskFile && kind != platform::PathKind::kPipe) return nullptr;
  for (const std::string& path : paths) {
    platform::FileIdentity named;
    if (os.IdentityOfPath(path.c_str(), &named) == kind && named == held) return &path;
  }
  return nullptr;
}

}  // namespace runtime
