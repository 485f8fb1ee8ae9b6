// Whether a handle the process holds leads to a file that a name names.
#pragma once

#include <string>
#include <vector>

#include "platform/os.h"

namespace runtime {

// Where a file was found: nowhere (null), surely there, or, where its
// identity or the other's is only partly known, maybe there: nothing tells
// it from the other, and nothing tells it apart.
template <typename Where>
struct Found {
  Where where = nullptr;
  bool certain = true;

  // Takes in one candidate by how it compares; true once it surely is the
  // file, where the search ends. The first that may be it stays.
  bool Take(platform::Sameness sameness, Where candidate) {
    if (sameness == platform::Sameness::kSame) {
      *this = {candidate, true};
      return true;
    }
    if (sameness == platform::Sameness::kUnknown && where == nullptr) *this = {candidate, false};
    return false;
  }
};

// The path among `paths` that names the disk file or pipe `handle` holds,
// whatever the spelling, link or hard link that leads there; where none
// surely does, the first that may. A handle that cannot be asked about, or
// holds a console or device, holds no path's file; a path that cannot be
// asked about names another file.
Found<const std::string*> PathHeldBy(platform::Handle handle,
                                     const std::vector<std::string>& paths);

}  // namespace runtime
