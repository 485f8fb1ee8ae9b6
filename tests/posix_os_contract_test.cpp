// The table of cases the fake answers, run on the real POSIX layer in a
// folder of its own.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "os_contract.h"
#include "platform/posix/posix_os.h"

namespace contract {
namespace {

// A fresh folder, made the working folder while the world lasts.
class PosixWorld final : public World {
 public:
  PosixWorld() : os_({}, platform::RealSystemCalls()) {
    char pattern[] = "/tmp/vimbrel-contract-XXXXXX";
    EXPECT_NE(::mkdtemp(pattern), nullptr);
    folder_ = pattern;
    char working[PATH_MAX];
    EXPECT_NE(::getcwd(working, sizeof working), nullptr);
    previous_ = working;
    EXPECT_EQ(::chdir(folder_.c_str()), 0);
  }
  ~PosixWorld() override {
    EXPECT_EQ(::chdir(previous_.c_str()), 0);
    std::filesystem::remove_all(folder_);
  }

  platform::Os& Os() override { return os_; }
  void MakeFile(const std::string& name, const std::string& bytes) override {
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << name;
    EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
  }
  void MakeFolder(const std::string& name) override {
    EXPECT_EQ(::mkdir(name.c_str(), 0755), 0) << name;
  }
  void MakeLink(const std::string& name, const std::string& target) override {
    EXPECT_EQ(::symlink(target.c_str(), name.c_str()), 0) << name;
  }

 private:
  platform::PosixOs os_;
  std::string folder_;
  std::string previous_;
};

std::unique_ptr<World> MakePosixWorld() { return std::make_unique<PosixWorld>(); }

INSTANTIATE_TEST_SUITE_P(Posix, OsContract,
                         ::testing::Values(WorldKind{"posix", &MakePosixWorld}));

}  // namespace
}  // namespace contract
