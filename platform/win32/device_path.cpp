#include "platform/win32/device_path.h"

#include <cstddef>

namespace platform {
namespace {

// Device and share names are ASCII, and Windows compares them case-blind.
bool IsNamed(std::string_view component, std::string_view name) {
  if (component.size() != name.size()) return false;
  for (std::size_t at = 0; at < name.size(); ++at) {
    char letter = component[at];
    if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
    if (letter != name[at]) return false;
  }
  return true;
}

// The first component of a path, and what follows its separator; the rest is
// empty when the component is the last.
std::string_view First(std::string_view path) { return path.substr(0, path.find('\\')); }
std::string_view AfterFirst(std::string_view path) {
  const std::size_t separator = path.find('\\');
  return separator == std::string_view::npos ? std::string_view() : path.substr(separator + 1);
}
bool HasOneComponent(std::string_view path) { return path.find('\\') == std::string_view::npos; }

// A share of a server that is a pipe or mailslot: server\pipe\name. A
// redirector may lead its path with components of its own (;LanmanRedirector).
bool IsPipeShare(std::string_view serverPath) {
  while (!serverPath.empty() && serverPath.front() == ';') serverPath = AfterFirst(serverPath);
  const std::string_view share = First(AfterFirst(serverPath));
  return IsNamed(share, "pipe") || IsNamed(share, "mailslot");
}

bool IsDeviceNamespacePath(std::string_view rest);

// A name of the kernel's namespace, after \\?\GLOBALROOT\.
bool IsKernelDevicePath(std::string_view kernelPath) {
  const std::string_view top = First(kernelPath);
  if (IsNamed(top, "??") || IsNamed(top, "global??") || IsNamed(top, "dosdevices")) {
    return IsDeviceNamespacePath(AfterFirst(kernelPath));
  }
  if (!IsNamed(top, "device") || HasOneComponent(kernelPath)) return true;
  const std::string_view device = AfterFirst(kernelPath);
  if (HasOneComponent(device)) return true;  // the device itself
  const std::string_view kind = First(device);
  if (IsNamed(kind, "namedpipe") || IsNamed(kind, "mailslot")) return true;
  if (IsNamed(kind, "mup") || IsNamed(kind, "lanmanredirector")) {
    return IsPipeShare(AfterFirst(device));
  }
  return false;  // a path on a volume's device
}

// What follows \\.\ or \\?\.
bool IsDeviceNamespacePath(std::string_view rest) {
  const std::string_view top = First(rest);
  if (IsNamed(top, "unc")) return IsPipeShare(AfterFirst(rest));
  if (IsNamed(top, "globalroot")) return IsKernelDevicePath(AfterFirst(rest));
  return HasOneComponent(rest) || IsNamed(top, "pipe") || IsNamed(top, "mailslot");
}

}  // namespace

bool IsDevicePath(std::string_view path) {
  if (path.substr(0, 2) != R"(\\)") return false;  // a path on a drive
  path.remove_prefix(2);
  if (path.substr(0, 2) == R"(.\)" || path.substr(0, 2) == R"(?\)") {
    return IsDeviceNamespacePath(path.substr(2));
  }
  return IsPipeShare(path);  // \\server\share\...
}

}  // namespace platform
