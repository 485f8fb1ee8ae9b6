// What the fake and the real POSIX layer must answer alike, run on each: a
// world that makes files, folders and links in either, and the fixture the
// table runs in.
#pragma once

#include <gtest/gtest.h>

#include <memory>
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

using WorldMaker = std::unique_ptr<World> (*)();

class OsContract : public ::testing::TestWithParam<WorldMaker> {};

}  // namespace contract
