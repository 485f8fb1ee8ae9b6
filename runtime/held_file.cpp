#include "runtime/held_file.h"

namespace runtime {

Found<const std::string*> PathHeldBy(platform::Handle handle,
                                     const std::vector<std::string>& paths) {
  platform::Os& os = platform::CurrentOs();
  platform::FileIdentity held;
  const platform::PathKind kind = os.IdentityOfHandle(handle, &held);
  // A console or device holds no file's bytes.
  if (kind != platform::PathKind::kDiskFile && kind != platform::PathKind::kPipe) return {};
  Found<const std::string*> found;
  for (const std::string& path : paths) {
    platform::FileIdentity named;
    if (os.IdentityOfPath(path.c_str(), &named) != kind) continue;
    if (found.Take(platform::Compare(named, held), &path)) break;
  }
  return found;
}

}  // namespace runtime
