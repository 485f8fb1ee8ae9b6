// Which full paths the Windows layer takes for devices, pipes and mailslots
// by their names alone, and so never opens to ask.
#include <gtest/gtest.h>

#include "platform/win32/device_path.h"

namespace {

TEST(DevicePath, TellsDevicesFromFilesByTheirNames) {
  struct {
    const char* path;
    bool device;
  } const cases[] = {
      {R"(C:\movies\a.mve)", false},
      {R"(\\.\NUL)", true},
      {R"(\\.\COM1)", true},
      {R"(\\?\C:)", true},
      {R"(\\?\C:\movies\a.mve)", false},
      {R"(\\.\C:\movies\a.mve)", false},
      {R"(\\.\pipe\movie)", true},
      {R"(\\.\PIPE\movie)", true},
      {R"(\\.\mailslot\movie)", true},
      {R"(\\server\pipe\movie)", true},
      {R"(\\server\share\a.mve)", false},
      {R"(\\server)", false},
      {R"(\\?\UNC\server\pipe\movie)", true},
      {R"(\\.\unc\server\MailSlot\movie)", true},
      {R"(\\?\UNC\server\share\a.mve)", false},
      {R"(\\.\GLOBALROOT\Device\Null)", true},
      {R"(\\?\GLOBALROOT\Device\NamedPipe\movie)", true},
      {R"(\\?\globalroot\device\mailslot\movie)", true},
      {R"(\\?\GLOBALROOT\Device\Mup\server\pipe\movie)", true},
      {R"(\\?\GLOBALROOT\Device\Mup\;LanmanRedirector\;Z:0000\server\pipe\movie)", true},
      {R"(\\?\GLOBALROOT\Device\Mup\server\share\a.mve)", false},
      {R"(\\?\GLOBALROOT\Device\HarddiskVolumeShadowCopy1\movies\a.mve)", false},
      {R"(\\?\GLOBALROOT\Device\HarddiskVolume1)", true},
      {R"(\\?\GLOBALROOT\??\pipe\movie)", true},
      {R"(\\?\GLOBALROOT\GLOBAL??\UNC\server\pipe\movie)", true},
      {R"(\\?\GLOBALROOT\DosDevices\C:\movies\a.mve)", false},
      {R"(\\?\GLOBALROOT\SystemRoot\a.mve)", true},
      {R"(\\?\GLOBALROOT)", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::IsDevicePath(c.path), c.device) << c.path;
  }
}

}  // namespace
