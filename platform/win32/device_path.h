// Which full Windows paths name a device, pipe or mailslot rather than a
// file on a volume, told by the name alone: opening a named pipe to ask
// would take its server's one connection, and opening a serial port can
// reset the device.
#pragma once

#include <string_view>

namespace platform {

// `path` as GetFullPathNameA gives it. A reserved DOS name (NUL, CON, COM1,
// ... in any folder) is \\.\NUL there; \\.\X or \\?\X with one component is
// a device itself (\\.\COM1, \\.\C:); a pipe or mailslot is \\.\pipe\...,
// \\server\pipe\... or \\?\UNC\server\pipe\.... Under \\?\GLOBALROOT\ the
// name is one of the kernel's: a file only below a device that holds
// volumes (\Device\HarddiskVolume1\movies\a.mve) or through the DOS names
// again (\??\C:\...); anything else is taken for a device.
bool IsDevicePath(std::string_view path);

}  // namespace platform
