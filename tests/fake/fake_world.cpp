// The fake's world: files, folders and links, and the names that find them.
#include "fake/fake_os.h"

#include <cctype>
#include <memory>
#include <string>
#include <vector>

namespace fake {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// A drive letter and its colon.
std::size_t DriveLength(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))
             ? 2
             : 0;
}

// The drive and the separator that make a name absolute.
std::size_t RootLength(const std::string& name) {
  const std::size_t drive = DriveLength(name);
  return drive < name.size() && name[drive] == '/' ? drive + 1 : drive;
}

// The name a path has in the world: its steps joined by '/', the empty ones
// and "." left out; "." alone for the working folder.
std::string Normal(const std::string& path) {
  std::size_t at = DriveLength(path);
  std::string name = path.substr(0, at);
  if (at < path.size() && IsSeparator(path[at])) name += '/';
  const std::size_t root = name.size();
  while (at < path.size()) {
    std::size_t end = at;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::string step = path.substr(at, end - at);
    if (!step.empty() && step != ".") {
      if (name.size() > root) name += '/';
      name += step;
    }
    at = end + 1;
  }
  return name.empty() && !path.empty() ? "." : name;
}

// The working folder, a drive's or the root: folders that always exist.
bool IsRoot(const std::string& name) {
  return name == "." || (!name.empty() && name.size() == RootLength(name));
}

// The folder a name lies in.
std::string FolderOf(const std::string& name) {
  const std::size_t root = RootLength(name);
  const std::size_t slash = name.rfind('/');
  if (slash == std::string::npos || slash < root) return root > 0 ? name.substr(0, root) : ".";
  return name.substr(0, slash);
}

}  // namespace

std::int64_t FakeFile::Size() const {
  if (generatedSize >= 0) return generatedSize;
  if (sink) return sinkSize;
  return static_cast<std::int64_t>(bytes.size());
}

std::shared_ptr<FakeFile> FakeOs::AddFile(const std::string& path,
                                          std::vector<unsigned char> bytes) {
  auto file = std::make_shared<FakeFile>();
  file->bytes = std::move(bytes);
  file->index = nextIndex_++;
  const std::string name = Normal(path);
  files_[name] = file;
  AddFolder(FolderOf(name));
  return file;
}

std::shared_ptr<FakeFile> FakeOs::AddFile(const std::string& path, const std::string& bytes) {
  return AddFile(path, std::vector<unsigned char>(bytes.begin(), bytes.end()));
}

void FakeOs::AddLink(const std::string& path, const std::string& target) {
  links_[Normal(path)] = Normal(target);
}

void FakeOs::AddFolder(const std::string& path) {
  for (std::string name = Normal(path); !IsRoot(name); name = FolderOf(name)) {
    folders_.insert(name);
  }
}

std::string FakeOs::Resolve(const std::string& path) const {
  std::string resolved = Normal(path);
  for (int depth = 0; depth < 40; ++depth) {
    auto link = links_.find(resolved);
    if (link == links_.end()) break;
    resolved = link->second;
  }
  return resolved;
}

bool FakeOs::IsFolder(const std::string& name) const {
  return IsRoot(name) || folders_.count(Resolve(name)) != 0;
}

std::uint32_t FakeOs::MissingError(const std::string& name) const {
  return name.empty() || IsFolder(FolderOf(name)) ? platform::error::kFileNotFound
                                                  : platform::error::kPathNotFound;
}

std::shared_ptr<FakeFile> FakeOs::File(const std::string& path) const {
  auto found = files_.find(Resolve(path));
  return found == files_.end() ? nullptr : found->second;
}

bool FakeOs::Exists(const std::string& path) const { return File(path) != nullptr; }

std::string FakeOs::Contents(const std::string& path) const {
  auto file = File(path);
  return file ? std::string(file->bytes.begin(), file->bytes.end()) : std::string();
}

}  // namespace fake
