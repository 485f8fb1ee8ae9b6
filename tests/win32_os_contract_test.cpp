// The table of cases the fake answers, run on the real Win32 layer in a
// folder of its own.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "os_contract.h"
#include "platform/system.h"

namespace contract {
namespace {

namespace fs = std::filesystem;

// A fresh folder, made the working folder while the world lasts.
class Win32World final : public World {
 public:
  Win32World() : system_(platform::MakeRealSystem(0, nullptr)), previous_(fs::current_path()) {
    static int worlds = 0;
    folder_ = fs::temp_directory_path() /
              ("vimbrel-contract-" + std::to_string(::GetCurrentProcessId()) + "-" +
               std::to_string(++worlds));
    fs::create_directory(folder_);
    fs::current_path(folder_);
  }
  ~Win32World() override {
    fs::current_path(previous_);
    fs::remove_all(folder_);
  }

  platform::Os& Os() override { return *system_; }
  void MakeFile(const std::string& name, const std::string& bytes) override {
    std::ofstream file(name, std::ios::binary);
    file << bytes;
    EXPECT_TRUE(file.good()) << name;
  }
  void MakeFolder(const std::string& name) override {
    EXPECT_TRUE(fs::create_directory(name)) << name;
  }
  // Windows lets only an administrator, or a developer, make a symbolic
  // link; a hard link leads to the file alike for every row.
  void MakeLink(const std::string& name, const std::string& target) override {
    std::error_code error;
    fs::create_hard_link(target, name, error);
    EXPECT_FALSE(error) << name << ": " << error.message();
  }

 private:
  std::unique_ptr<platform::System> system_;
  fs::path previous_;
  fs::path folder_;
};

std::unique_ptr<World> MakeWin32World() { return std::make_unique<Win32World>(); }

INSTANTIATE_TEST_SUITE_P(Win32, OsContract,
                         ::testing::Values(WorldKind{"win32", &MakeWin32World}));

}  // namespace
}  // namespace contract
