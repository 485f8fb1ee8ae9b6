// What the fake and the real POSIX layer must answer alike, run on each: a
// world that makes files, folders and links in either, and the fixture the
// table runs in.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "platform/os.h"

namespace contract {

// A world holding nothing, and the operating system that sees it; names are
// relative to its working folder.
class World {
 public:
  virtual ~World() = default;
  virtual platform::Os& Os() = 0;
  virtual void MakeFile(const std::string& name, const std::string& bytes) = 0;
  virtual void MakeFolder(const std::string& name) = 0;
  virtual void MakeLink(const std::string& name, const std::string& target) = 0;
};

// A kind of world: its name, which names its run of the table, and how to
// make one.
struct WorldKind {
  const char* name;
  std::unique_ptr<World> (*make)();
};

inline void PrintTo(const WorldKind& kind, std::ostream* out) { *out << kind.name; }

class OsContract : public ::testing::TestWithParam<WorldKind> {};

}  // namespace contract
