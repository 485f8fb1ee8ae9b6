// Whether a handle the process holds leads to a file that a name names.
#pragma once

#include <string>
#include <vector>

#include "platform/os.h"

namespace runtime {

// The path among `paths` that names the disk file or pipe `handle` holds,
// whatever the spelling, link or hard link that leads there, or null. A
// handle that cannot be asked about, or holds a console or device, holds no
// path's file; a path that cannot be asked about names another file.
const std::string* PathHeldBy(platform::Handle handle, const std::vector<std::string>& paths);

}  // namespace runtime
