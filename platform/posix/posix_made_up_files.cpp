// The file systems whose files the kernel makes up as they are read: their
// regular files report a size that says nothing of what they hold (0 in
// /proc, 4096 in /sys), so no join could take them whole.
#include <sys/statfs.h>

#include <cstdint>

#include "platform/posix/posix_os.h"

namespace platform {
namespace {

// Their magic numbers, as statfs gives them in f_type; written out, as the
// kernel headers of older targets lack some, and none has configfs's,
// mqueue's or fusectl's.
constexpr std::uint32_t kProcMagic = 0x9fa0;
constexpr std::uint32_t kSysfsMagic = 0x62656572;
constexpr std::uint32_t kDebugfsMagic = 0x64626720;
constexpr std::uint32_t kTracefsMagic = 0x74726163;
constexpr std::uint32_t kSecurityfsMagic = 0x73636673;
constexpr std::uint32_t kConfigfsMagic = 0x62656570;
constexpr std::uint32_t kCgroupMagic = 0x27e0eb;
constexpr std::uint32_t kCgroup2Magic = 0x63677270;
constexpr std::uint32_t kPstoreMagic = 0x6165676c;
constexpr std::uint32_t kEfivarfsMagic = 0xde5e81e4;
constexpr std::uint32_t kBpfMagic = 0xcafe4a11;
constexpr std::uint32_t kSelinuxMagic = 0xf97cff8c;
constexpr std::uint32_t kSmackMagic = 0x43415d53;
constexpr std::uint32_t kApparmorMagic = 0x5a3c69f0;
constexpr std::uint32_t kBinfmtMagic = 0x42494e4d;
constexpr std::uint32_t kMqueueMagic = 0x19800202;
constexpr std::uint32_t kFusectlMagic = 0x65735543;
constexpr std::uint32_t kRdtgroupMagic = 0x7655821;

constexpr std::uint32_t kMadeUpFileSystems[] = {
    kProcMagic,    kSysfsMagic,   kDebugfsMagic,  kTracefsMagic,   kSecurityfsMagic,
    kConfigfsMagic, kCgroupMagic, kCgroup2Magic,  kPstoreMagic,    kEfivarfsMagic,
    kBpfMagic,     kSelinuxMagic, kSmackMagic,    kApparmorMagic,  kBinfmtMagic,
    kMqueueMagic,  kFusectlMagic, kRdtgroupMagic,
};

}  // namespace

bool PosixOs::IsMadeUpFile(Handle handle, bool* madeUp) {
  struct statfs status;
  if (calls_.fstatfs(DescriptorOf(handle), &status) != 0) return FailFromErrno();
  // f_type is a signed word on some targets and 32 bits wide on s390x: the
  // magic numbers are its low 32 bits.
  const auto type = static_cast<std::uint32_t>(status.f_type);
  *madeUp = false;
  for (const std::uint32_t magic : kMadeUpFileSystems) *madeUp = *madeUp || type == magic;
  return true;
}

}  // namespace platform
