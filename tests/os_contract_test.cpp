// One table of cases on which the fake and the real layers must agree:
// names, missing files and folders, folders, links, positions and
// identities. It runs on the fake here and on real files through the layer
// of the build, POSIX or Win32.
#include "os_contract.h"

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "fake/fake_os.h"

namespace contract {
namespace {

using platform::Os;

// What a call answered, and the code it failed with (0: it succeeded).
struct Answer {
  std::uint64_t value;
  std::uint32_t error;
  bool operator==(const Answer& other) const {
    return value == other.value && error == other.error;
  }
};

void PrintTo(const Answer& answer, std::ostream* out) {
  *out << "{" << answer.value << ", error " << answer.error << "}";
}

constexpr std::uint32_t kShareBoth = platform::kShareRead | platform::kShareWrite;

// Opens the path, and answers what `then` tells of the handle.
template <typename Then>
Answer Opened(Os& os, const char* path, std::uint32_t access, std::uint32_t disposition,
              Then then) {
  const platform::Handle handle = os.OpenFile(path, access, kShareBoth, disposition);
  if (handle == platform::kInvalidHandle) return {0, os.LastError()};
  const Answer answer = then(handle);
  EXPECT_TRUE(os.Close(handle));
  return answer;
}

Answer SizeOf(Os& os, platform::Handle handle) {
  std::int64_t size = -1;
  if (!os.FileSize(handle, &size)) return {0, os.LastError()};
  return {static_cast<std::uint64_t>(size), 0};
}

// The size of the file opened to read.
Answer Read(Os& os, const char* path, const char*) {
  return Opened(os, path, platform::kGenericRead, platform::kOpenExisting,
                [&os](platform::Handle handle) { return SizeOf(os, handle); });
}

// The size of the file opened to read and write.
Answer ReadWrite(Os& os, const char* path, const char*) {
  return Opened(os, path, platform::kGenericRead | platform::kGenericWrite,
                platform::kOpenExisting,
                [&os](platform::Handle handle) { return SizeOf(os, handle); });
}

// The size of the file once opened to write, created where it is missing.
Answer Create(Os& os, const char* path, const char*) {
  return Opened(os, path, platform::kGenericRead | platform::kGenericWrite,
                platform::kOpenAlways,
                [&os](platform::Handle handle) { return SizeOf(os, handle); });
}

// The size of the file so opened, then cut after its fourth byte.
Answer CreateAndCut(Os& os, const char* path, const char*) {
  return Opened(os, path, platform::kGenericRead | platform::kGenericWrite,
                platform::kOpenAlways, [&os](platform::Handle handle) -> Answer {
                  if (!os.Seek(handle, 4, platform::SeekOrigin::kBegin, nullptr) ||
                      !os.SetEndOfFile(handle)) {
                    return {0, os.LastError()};
                  }
                  return SizeOf(os, handle);
                });
}

// The device type of the file opened to read.
Answer Type(Os& os, const char* path, const char*) {
  return Opened(os, path, platform::kGenericRead, platform::kOpenExisting,
                [&os](platform::Handle handle) -> Answer {
                  return {static_cast<std::uint64_t>(os.DeviceType(handle)), 0};
                });
}

// 1 when the file opens a second time while the first handle is open.
Answer OpenTwice(Os& os, const char* path, const char*) {
  return Opened(os, path, platform::kGenericRead, platform::kOpenExisting,
                [&os, path](platform::Handle) {
                  const Answer again = Read(os, path, nullptr);
                  return Answer{again.error == 0 ? 1u : 0u, again.error};
                });
}

// Where a seek from the start, or from the position just opened at, to
// `other` (a distance in decimal) ends.
Answer SeekTo(Os& os, const char* path, const char* other, platform::SeekOrigin origin) {
  return Opened(os, path, platform::kGenericRead, platform::kOpenExisting,
                [&os, other, origin](platform::Handle handle) -> Answer {
                  std::int64_t position = -1;
                  if (!os.Seek(handle, std::stoll(other), origin, &position)) {
                    return {0, os.LastError()};
                  }
                  return {static_cast<std::uint64_t>(position), 0};
                });
}

Answer SeekFromStart(Os& os, const char* path, const char* other) {
  return SeekTo(os, path, other, platform::SeekOrigin::kBegin);
}

Answer SeekFromHere(Os& os, const char* path, const char* other) {
  return SeekTo(os, path, other, platform::SeekOrigin::kCurrent);
}

// What a handle closed already holds.
Answer ClosedKind(Os& os, const char* path, const char*) {
  const platform::Handle handle =
      os.OpenFile(path, platform::kGenericRead, kShareBoth, platform::kOpenExisting);
  if (handle == platform::kInvalidHandle) return {0, os.LastError()};
  EXPECT_TRUE(os.Close(handle));
  platform::FileIdentity identity;
  const platform::PathKind kind = os.IdentityOfHandle(handle, &identity);
  if (kind == platform::PathKind::kUnknown) return {0, os.LastError()};
  return {static_cast<std::uint64_t>(kind), 0};
}

Answer Kind(Os& os, const char* path, const char*) {
  platform::FileIdentity identity;
  const platform::PathKind kind = os.IdentityOfPath(path, &identity);
  if (kind == platform::PathKind::kUnknown) return {0, os.LastError()};
  return {static_cast<std::uint64_t>(kind), 0};
}

// The attributes the program reads: a folder's and a device's. Windows marks
// a new file for archiving, and POSIX has no such mark.
Answer Attributes(Os& os, const char* path, const char*) {
  const std::uint32_t attributes = os.FileAttributes(path);
  if (attributes == platform::kInvalidFileAttributes) return {attributes, os.LastError()};
  return {attributes & (platform::kDirectoryAttribute | platform::kDeviceAttribute), 0};
}

// 1 when the system makes the file up as it is read.
Answer MadeUp(Os& os, const char* path, const char*) {
  return Opened(os, path, platform::kGenericRead, platform::kOpenExisting,
                [&os](platform::Handle handle) -> Answer {
                  bool madeUp = true;
                  if (!os.IsMadeUpFile(handle, &madeUp)) return {0, os.LastError()};
                  return {madeUp ? 1u : 0u, 0};
                });
}

// 1 when both paths name one disk file.
Answer SameFile(Os& os, const char* path, const char* other) {
  platform::FileIdentity one;
  platform::FileIdentity two;
  if (os.IdentityOfPath(path, &one) != platform::PathKind::kDiskFile) return {0, os.LastError()};
  if (os.IdentityOfPath(other, &two) != platform::PathKind::kDiskFile) return {0, os.LastError()};
  return {one == two ? 1u : 0u, 0};
}

// 1 when the file a handle holds is the one the other path names.
Answer HandleIsFile(Os& os, const char* path, const char* other) {
  return Opened(os, path, platform::kGenericRead, platform::kOpenExisting,
                [&os, other](platform::Handle handle) -> Answer {
                  platform::FileIdentity held;
                  platform::FileIdentity named;
                  if (os.IdentityOfHandle(handle, &held) != platform::PathKind::kDiskFile ||
                      os.IdentityOfPath(other, &named) != platform::PathKind::kDiskFile) {
                    return {0, os.LastError()};
                  }
                  return {held == named ? 1u : 0u, 0};
                });
}

constexpr std::uint64_t kDisk = static_cast<std::uint64_t>(platform::FileType::kDisk);
constexpr std::uint64_t kDiskFile = static_cast<std::uint64_t>(platform::PathKind::kDiskFile);
constexpr std::uint64_t kOther = static_cast<std::uint64_t>(platform::PathKind::kOther);
constexpr std::uint64_t kNoAttributes = platform::kInvalidFileAttributes;

struct Row {
  const char* what;
  Answer (*ask)(Os& os, const char* path, const char* other);
  const char* path;
  const char* other;
  Answer expected;
};

// Every row starts from a world of a.mve (10 bytes), the folder `movies`
// with b.mve (3 bytes) in it, and link.mve, a link to a.mve.
const Row kRows[] = {
    {"a file", Read, "a.mve", nullptr, {10, 0}},
    {"a file through a `.` step", Read, "./a.mve", nullptr, {10, 0}},
    {"a file in a folder", Read, "movies/b.mve", nullptr, {3, 0}},
    {"a file in a folder, through `.` and a doubled separator", Read, "movies/.//b.mve",
     nullptr, {3, 0}},
    {"a file through a link", Read, "link.mve", nullptr, {10, 0}},
    {"a file's handle", Type, "a.mve", nullptr, {kDisk, 0}},
    {"a file on a disk, which the system does not make up", MadeUp, "a.mve", nullptr, {0, 0}},
    {"a file open twice, reading and writing shared", OpenTwice, "a.mve", nullptr, {1, 0}},
    {"a missing file", Read, "missing.mve", nullptr, {0, 2}},
    {"a file in a missing folder", Read, "nodir/a.mve", nullptr, {0, 3}},
    {"a file under a file", Read, "a.mve/b.mve", nullptr, {0, 3}},
    {"a folder, to write", ReadWrite, "movies", nullptr, {0, 5}},
    {"a new file", Create, "out.mve", nullptr, {0, 0}},
    {"a new file in a folder", Create, "movies/out.mve", nullptr, {0, 0}},
    {"an existing file, kept", Create, "a.mve", nullptr, {10, 0}},
    {"an existing file, cut", CreateAndCut, "a.mve", nullptr, {4, 0}},
    {"a new file, grown to its end", CreateAndCut, "out.mve", nullptr, {4, 0}},
    {"a new file in a missing folder", Create, "nodir/out.mve", nullptr, {0, 3}},
    {"a new file under a file", Create, "a.mve/out.mve", nullptr, {0, 3}},
    {"a new file where a folder is", Create, "movies", nullptr, {0, 5}},
    {"a file's kind", Kind, "a.mve", nullptr, {kDiskFile, 0}},
    {"a folder's kind", Kind, "movies", nullptr, {kOther, 0}},
    {"a missing file's kind", Kind, "missing.mve", nullptr, {0, 2}},
    {"the kind of a file in a missing folder", Kind, "nodir/a.mve", nullptr, {0, 3}},
    {"a file and its name with a `.` step", SameFile, "./a.mve", "a.mve", {1, 0}},
    {"a link and its target", SameFile, "link.mve", "a.mve", {1, 0}},
    {"two files", SameFile, "movies/b.mve", "a.mve", {0, 0}},
    {"a file's handle and its name with a `.` step", HandleIsFile, "a.mve", "./a.mve", {1, 0}},
    {"a closed handle's kind", ClosedKind, "a.mve", nullptr, {0, 6}},
    {"a seek before the start", SeekFromStart, "a.mve", "-1", {0, 131}},
    {"a seek back from the start", SeekFromHere, "a.mve", "-1", {0, 131}},
    {"a file's attributes", Attributes, "a.mve", nullptr, {0, 0}},
    {"a folder's attributes", Attributes, "movies", nullptr, {platform::kDirectoryAttribute, 0}},
    {"a missing file's attributes", Attributes, "missing.mve", nullptr, {kNoAttributes, 2}},
    {"the attributes of a file in a missing folder", Attributes, "nodir/a.mve", nullptr,
     {kNoAttributes, 3}},
    {"the attributes of a file under a file", Attributes, "a.mve/b.mve", nullptr,
     {kNoAttributes, 3}},
};

// Where a layer answers otherwise, by a difference of its system that the
// program does not depend on: the world, the row and its answer there.
struct Difference {
  const char* world;
  const char* what;
  Answer answer;
};

const Difference kDifferences[] = {
    // Opened with backup semantics, a folder is a file of its volume with an
    // identity. No input can be a folder, so no open record holds it either
    // way, and creating it fails as the table says.
    {"win32", "a folder's kind", {kDiskFile, 0}},
};

Answer Expected(const Row& row, const std::string& world) {
  for (const Difference& difference : kDifferences) {
    if (difference.world == world && std::string(difference.what) == row.what) {
      return difference.answer;
    }
  }
  return row.expected;
}

TEST_P(OsContract, AnswersAsTheTableSays) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.what);
    const std::unique_ptr<World> world = GetParam().make();
    world->MakeFile("a.mve", "0123456789");
    world->MakeFolder("movies");
    world->MakeFile("movies/b.mve", "abc");
    world->MakeLink("link.mve", "a.mve");
    EXPECT_EQ(row.ask(world->Os(), row.path, row.other), Expected(row, GetParam().name))
        << row.path;
  }
}

class FakeWorld final : public World {
 public:
  platform::Os& Os() override { return os_; }
  void MakeFile(const std::string& name, const std::string& bytes) override {
    os_.AddFile(name, bytes);
  }
  void MakeFolder(const std::string& name) override { os_.AddFolder(name); }
  void MakeLink(const std::string& name, const std::string& target) override {
    os_.AddLink(name, target);
  }

 private:
  fake::FakeOs os_;
};

std::unique_ptr<World> MakeFakeWorld() { return std::make_unique<FakeWorld>(); }

INSTANTIATE_TEST_SUITE_P(Fake, OsContract,
                         ::testing::Values(WorldKind{"fake", &MakeFakeWorld}));

}  // namespace
}  // namespace contract
